#include "catalogue/toolTables.h"

std::vector<ToolRow> pictureAndOutputTools()
{
    return {
        {"set_picture",
         "Place a clip's picture",
         Destructive | Idempotent,
         "Places a clip's picture in the frame: moves, resizes, rotates, mirrors it or makes it "
         "partly transparent. Every property you leave out keeps its current value. For a "
         "picture-in-picture in a corner, put the clip on a track above the other picture and "
         "shrink it.",
         {
             {"clip", "string", "Id of the clip to change.", Required},
             {"x", "number",
              "Horizontal offset from the centre, in pixels: positive to the right, negative to "
              "the left. Without it: unchanged."},
             {"y", "number",
              "Vertical offset from the centre, in pixels: positive downwards, negative upwards. "
              "Without it: unchanged."},
             {"scale_percent", "number",
              "Size in percent: 100 is the picture's own size, 50 half of it. Without it: "
              "unchanged."},
             {"rotation", "number", "Rotation in degrees, clockwise. Without it: unchanged."},
             {"opacity_percent", "number",
              "Opacity in percent: 100 is fully opaque, 0 invisible. Without it: unchanged."},
             {"flip", "boolean",
              "True shows the picture mirrored, left and right swapped. Without it: unchanged."},
         }},

        {"animate_clip",
         "Animate a clip",
         Destructive | Idempotent,
         "Gives a clip, a title or a sticker an entrance or an exit (\"fade_in\", \"fade_out\", "
         "\"slide_in\", \"slide_out\", \"scale_in\", \"scale_out\", \"pop_in\"), or a slow "
         "movement of the picture over the clip's whole length (\"zoom_in\", \"zoom_out\", "
         "\"pan_left\", \"pan_right\", \"ken_burns\"). A slow \"zoom_in\" brings a still shot to "
         "life.",
         {
             {"clip", "string", "Id of the clip, title or sticker.", Required},
             {"animation", "string",
              "Which animation: one of \"fade_in\", \"fade_out\", \"slide_in\", \"slide_out\", "
              "\"scale_in\", \"scale_out\", \"pop_in\", \"zoom_in\", \"zoom_out\", \"pan_left\", "
              "\"pan_right\", \"ken_burns\".",
              Required},
             {"seconds", "number",
              "How long the entrance or exit lasts, in seconds. Without it: 0.5."},
         }},

        {"add_sound",
         "Add a built-in sound",
         Additive,
         "Puts one of Kestrova's built-in sounds on a free audio track: a whoosh on a fast cut or "
         "a transition, a hit on an impact, a riser just before a highlight. A few well-placed "
         "sounds work better than many.",
         {
             {"sound", "string", "The sound's name, as list_sounds returns it.", Required},
             {"at_seconds", "number", "Timeline time, in seconds, at which the sound starts.",
              Required},
         }},

        {"import_file",
         "Import a file",
         Additive,
         "Brings a video, audio or image file from the user's computer into the project library, "
         "for when the user names a file by its full path. It does not put the file on the "
         "timeline: add_media does that.",
         {
             {"path", "string",
              "Full path of the file on the user's computer, for instance "
              "\"C:\\Videos\\clip.mp4\".",
              Required},
         }},

        {"save_project",
         "Save project",
         Destructive | Idempotent,
         "Saves the project where it was last saved. Use it only when the user asks for it.",
         {}},

        {"export_video",
         "Export video",
         Additive,
         "Starts exporting the timeline, in the background, into a video file in the user's "
         "folder for exported videos. Use it only when the user asks for it. An existing file is "
         "never overwritten: the new file gets a number instead. The answer gives the file's "
         "name and the export's id, by which export_status tells how far the export has got.",
         {
             {"made_for", "string",
              "What the video is for, as list_export_targets names the targets, for instance "
              "\"youtube\". Without it: the settings of the project's last export, otherwise "
              "those of its timeline."},
             {"file_name", "string",
              "The file's name, without folder and without extension. Without it: the project's "
              "name."},
         }},

        {"add_title",
         "Add a title",
         Additive,
         "Shows a text over the picture for a span of time, on a free track above the film; "
         "nothing is cut. The title is plain, or takes one of Kestrova's title styles, each with "
         "its own font, colours and way of coming in (list_title_styles lists them).",
         {
             {"text", "string", "The words to show.", Required},
             {"from_seconds", "number", "Time, in seconds, at which the title comes on screen.",
              Required},
             {"to_seconds", "number", "Time, in seconds, at which it leaves.", Required},
             {"position", "string",
              "Where on the screen the title stands: \"top\", \"middle\" or \"bottom\". Without "
              "it: \"middle\", or the place the chosen style gives it."},
             {"style", "string",
              "A title style, as list_title_styles names it. Without it: plain white text."},
         }},

        {"list_title_styles",
         "List title styles",
         ReadOnly | Idempotent,
         "Lists Kestrova's title styles (among them lower thirds, large headlines, neon and "
         "typewriter styles), each with a description of its look.",
         {
             {"search", "string",
              "A word; only styles whose name, group or description contains it are listed."},
         }},

        {"list_templates",
         "List templates",
         ReadOnly | Idempotent,
         "Lists Kestrova's intro and outro templates: prepared layers of titles, stickers, "
         "sounds and placeholder slots for the user's own clips, each with its name, category "
         "and length. Call it before add_template.",
         {
             {"category", "string",
              "Only templates of this category are listed, for instance \"Intro\", \"Outro\" or "
              "\"Lower Third\"."},
             {"search", "string",
              "A word; only templates whose name or description contains it are listed."},
         }},

        {"add_template",
         "Add a template",
         Additive,
         "Places a template on free tracks at a time on the timeline. Its placeholders can be "
         "filled in the same call by naming library files for them. The answer lists the clips "
         "the template created; fill_placeholder fills a placeholder afterwards.",
         {
             {"template", "string", "The template's id, as list_templates returns it.", Required},
             {"at_seconds", "number",
              "Timeline time, in seconds, at which the template begins. Without it: after "
              "everything else on the timeline."},
             {"files", "array",
              "Names of library files for the placeholders, in placeholder order, for instance "
              "[\"clip1.mp4\", \"clip2.mp4\"].",
              Optional, itemsOfType("string")},
         }},

        {"reframe",
         "Reframe to another aspect ratio",
         Destructive | Idempotent,
         "Turns the whole video into another aspect ratio, for instance \"9:16\" for Shorts, "
         "TikTok and Reels: the picture takes the new shape and the framing of each clip follows "
         "the action. It first analyses every clip, which takes a while.",
         {
             {"aspect", "string", "The new aspect ratio: \"9:16\", \"1:1\", \"4:5\" or \"16:9\".",
              Required},
             {"follow", "string",
              "How quickly the framing follows the action: \"slow\", \"normal\" or \"fast\". "
              "Without it: \"normal\"."},
         }},

        {"remove_background",
         "Remove the background",
         Destructive | Idempotent,
         "Keeps the people in a video or picture clip and takes away what lies behind them. The "
         "work is done on the user's own computer while the user carries on. To show something "
         "behind the people, put another clip on the track below.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"on", "boolean", "False restores the background. Without it: true."},
         }},
    };
}
