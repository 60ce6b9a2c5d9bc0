#include "catalogue/toolTables.h"

std::vector<ToolRow> readingTools()
{
    return {
        {"get_project",
         "Get project",
         ReadOnly | Idempotent | LongText,
         "Describes the project open in Kestrova: its name, picture size, frame rate and duration, "
         "each track with its contents, the markers, and whether a transcript exists. Begin with "
         "this tool.",
         {}},

        {"list_clips",
         "List clips",
         ReadOnly | Idempotent | LongText,
         "Lists the timeline's clips in their order, each with its id, track, kind (media, title, "
         "sticker, placeholder, effect clip or compound), name, start and end in seconds, for a "
         "media clip the portion of its source file that it shows, its speed and its effects. "
         "Name a track or a time range to list only that part.",
         {
             {"track", "string",
              "Name of one track, for instance \"V1\" or \"A2\"; only that track's clips are "
              "listed. Without it: all tracks."},
             {"from_seconds", "number",
              "A timeline time in seconds; only clips that end after it are listed."},
             {"to_seconds", "number",
              "A timeline time in seconds; only clips that start before it are listed."},
         }},

        {"list_media",
         "List library files",
         ReadOnly | Idempotent | LongText,
         "Lists the project's library, file by file, each with its name, its kind (video, audio "
         "or image), its duration, picture size and frame rate, how many times it is used on the "
         "timeline, and whether a transcript or detected beats exist for it.",
         {}},

        {"list_effects",
         "List effects",
         ReadOnly | Idempotent,
         "Lists Kestrova's effects, those that installed plug-ins add included, each with its "
         "name, its category, what it does, and its settings with their ranges and defaults. Give "
         "a category or a search word so that the answer stays short.",
         {
             {"category", "string",
              "Only effects of this category are listed, for instance \"Color\", \"Looks\", "
              "\"Stylize\", \"Glitch\", \"Light\" or \"Distort\"."},
             {"search", "string",
              "A word; only effects whose name or description contains it are listed."},
             {"audio", "boolean", "True lists the audio effects in place of the video effects."},
         }},

        {"get_transcript",
         "Get transcript",
         ReadOnly | Idempotent | LongText,
         "Returns what is spoken, placed on the timeline: sentences, each with the seconds at "
         "which it starts and ends. Use it to find a place by what is said. A transcript exists "
         "only after the recording has been transcribed: by transcribe, or in Kestrova on its "
         "Transcript tab. Words removed by a cut do not appear in it.",
         {
             {"from_seconds", "number",
              "A timeline time in seconds; only speech after it is returned."},
             {"to_seconds", "number",
              "A timeline time in seconds; only speech before it is returned."},
             {"words", "boolean",
              "True returns each word with its own start and end, in place of sentences."},
         }},

        {"get_frame",
         "Get a frame",
         ReadOnly | Idempotent,
         "Returns the picture of the timeline at one moment as a JPEG, the way Kestrova's viewer "
         "shows it, with all tracks, effects, titles and subtitles. Look at it to check an edit, "
         "where a title sits, or a colour.",
         {
             {"seconds", "number", "The timeline time to show, in seconds.", Required},
             {"width", "integer",
              "Width of the picture in pixels, from 160 to 1280. Without it: 640."},
         }},

        {"get_frames",
         "Get several frames",
         ReadOnly | Idempotent,
         "Returns several pictures of the timeline combined into a single JPEG image, each "
         "labelled with its time: a fast way to check many places together, for instance every "
         "place where a cut is about to be made, or one picture per second over the length of a "
         "clip.",
         {
             {"seconds", "array",
              "The timeline times to show, in seconds, for instance [1.5, 3.2, 7]; up to 12 "
              "times.",
              Required, itemsOfType("number")},
         }},

        {"look_through",
         "Look through a stretch",
         ReadOnly | Idempotent,
         "Returns pictures spaced evenly over a stretch of the timeline, combined into a single "
         "JPEG image, each labelled with its time: this is how you watch a clip. To locate a "
         "moment by what can be seen, look through the whole stretch, choose the two pictures "
         "between which the moment happens, then look through only that part again; repeat until "
         "neighbouring pictures are only a few frames apart.",
         {
             {"from_seconds", "number",
              "Where the stretch begins, in seconds. Without it: the start of the timeline."},
             {"to_seconds", "number",
              "Where the stretch ends, in seconds. Without it: the end of the timeline."},
             {"pictures", "integer", "How many pictures, from 2 to 12. Without it: 12."},
         }},

        {"find_in_clip",
         "Find places in a clip",
         ReadOnly | Idempotent | LongText,
         "Listens to or watches the file of one clip and finds places in it, reported with their "
         "times on the timeline. \"loud_sounds\" finds sudden loud sounds such as a shot, a clap, "
         "a hit or a door slammed shut, each with how loud it is and how much it stands out: you "
         "cannot hear, so this is how you find a sound. \"silences\" finds stretches without "
         "sound. \"scene_changes\" finds where the picture cuts to another shot. Check what it "
         "finds with get_frames before cutting there.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"what", "string", "What to find: \"loud_sounds\", \"silences\" or \"scene_changes\".",
              Required},
             {"sensitivity", "number",
              "From 0 to 1; higher values find more: quieter sounds, shorter silences, softer "
              "cuts. Without it: 0.5."},
         }},

        {"find_highlights",
         "Find highlights",
         ReadOnly | Idempotent,
         "Measures all the video on the timeline and names its best moments: where it gets "
         "louder than usual, where a sudden sound occurs, and where the picture moves most. It is "
         "how you find what is worth keeping in long footage without viewing every second. On "
         "long footage it takes a while. Look at the moments it names (get_frames) before relying "
         "on them.",
         {
             {"seconds", "number",
              "Total length, in seconds, of all the moments together. Without it: 30."},
             {"shortest_seconds", "number",
              "Least length of one moment, in seconds. Without it: 2."},
             {"longest_seconds", "number",
              "Greatest length of one moment, in seconds. Without it: 7."},
         }},

        {"list_transitions",
         "List transitions",
         ReadOnly | Idempotent,
         "Lists the transitions that Kestrova offers and what each of them does.",
         {}},

        {"list_sounds",
         "List built-in sounds",
         ReadOnly | Idempotent,
         "Lists the sounds that come with Kestrova (whooshes, hits, risers, crowds, weather, and "
         "game and cartoon sounds), each with what it is and its duration.",
         {
             {"search", "string",
              "A word, for instance \"whoosh\"; only sounds whose name, group or description "
              "contains it are listed."},
         }},

        {"list_export_targets",
         "List export targets",
         ReadOnly | Idempotent,
         "Lists what a video can be exported for (YouTube, TikTok, Instagram and others), with "
         "the size and format that each target stands for.",
         {}},

        {"export_status",
         "Export status",
         ReadOnly | Idempotent,
         "Reports how far an export has got: waiting; running, with the percentage done and the "
         "seconds remaining; done; or failed, with the reason.",
         {
             {"export", "string",
              "The export's id, as export_video's answer gave it. Without it: the export started "
              "last."},
         }},

        {"get_clip",
         "Get clip",
         ReadOnly | Idempotent,
         "Gives everything about a single clip: where it lies, its effects with their present "
         "settings, the text of a title, the volume of a sound clip, and how a picture is moved "
         "or scaled.",
         {
             {"clip", "string", "The clip's id, as list_clips reports it.", Required},
         }},
    };
}
