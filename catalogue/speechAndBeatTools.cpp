#include "catalogue/toolTables.h"

std::vector<ToolRow> speechAndBeatTools()
{
    return {
        {"shorten_pauses",
         "Shorten pauses",
         Destructive | Idempotent,
         "Trims every pause in the speech down to a short one and closes the gaps this leaves, so "
         "the talking gets tighter while not one word is lost. It needs a transcript (transcribe).",
         {
             {"longer_than_seconds", "number",
              "Pauses longer than this, in seconds, are shortened. Without it: 0.6."},
             {"keep_seconds", "number",
              "How much of each shortened pause is left, in seconds. Without it: 0.25."},
         }},

        {"remove_filler_words",
         "Remove filler words",
         Destructive | Idempotent,
         "Takes filler words such as um, uh, äh and ähm out of the speech and closes the gaps this "
         "leaves. It needs a transcript (transcribe).",
         {}},

        {"transcribe",
         "Transcribe speech",
         Destructive | Idempotent,
         "Writes down, word by word, what is said in each file used on the timeline. It runs on "
         "the user's own computer and uploads nothing; with long recordings it takes a while. It "
         "is needed before get_transcript, add_captions, shorten_pauses and remove_filler_words. "
         "Files that already have a transcript are left untouched.",
         {
             {"file", "string",
              "The name of one file of the library; only this file is transcribed, even when it "
              "already has a transcript."},
             {"language", "string",
              "The language spoken, as a short language code, for instance \"de\", \"en\" or "
              "\"fr\". Without it: the language is recognised automatically."},
         }},

        {"add_captions",
         "Add captions",
         Additive,
         "Shows what is said as captions on a subtitle track, each word timed on its own. It "
         "needs a transcript (transcribe). The looks: \"classic\" white text, outlined; "
         "\"karaoke\" the word being spoken turns yellow; \"box\" a coloured box hops from one "
         "word to the next; \"pop\" large bold words, and the word being spoken pops; \"reveal\" "
         "each word comes into view when spoken; \"bounce\" the words spring into place; "
         "\"single\" only the word being spoken, shown large.",
         {
             {"look", "string",
              "The look of the captions: \"classic\", \"karaoke\", \"box\", \"pop\", \"reveal\", "
              "\"bounce\" or \"single\". Without it: \"classic\", or the look of an empty "
              "subtitle track that is already there."},
             {"layout", "string",
              "How many words are shown at once: \"short\" shows one to three words at a time and "
              "suits vertical videos; \"standard\" shows up to two lines. Without it: \"short\" "
              "for a vertical video."},
             {"from_seconds", "number",
              "A timeline time in seconds; only words from this time onwards get captions."},
             {"to_seconds", "number",
              "A timeline time in seconds; only words up to this time get captions."},
         }},

        {"list_stickers",
         "List stickers",
         ReadOnly | Idempotent,
         "Lists Kestrova's stickers (arrows, speech bubbles, emoji, subscribe buttons, camera "
         "frames and others) and tells for each what it is and whether it shows words.",
         {
             {"category", "string",
              "A group of stickers; only the stickers of this group are listed."},
             {"search", "string",
              "A word, for instance \"arrow\"; only stickers whose name or description contains "
              "it are listed."},
         }},

        {"add_sticker",
         "Add a sticker",
         Additive,
         "Lays a sticker over the picture for a stretch of time, on a free track above the film. "
         "It cuts nothing.",
         {
             {"sticker", "string", "Which sticker, by the name list_stickers gives it.", Required},
             {"from_seconds", "number", "When the sticker comes in, as a timeline time in seconds.",
              Required},
             {"to_seconds", "number",
              "When the sticker goes away, as a timeline time in seconds. Without it: 4 seconds "
              "after from_seconds."},
             {"text", "string", "The words to show, for a sticker that shows words."},
             {"color", "string", "The sticker's colour, written as \"#rrggbb\"."},
         }},

        {"set_keyframes",
         "Set keyframes",
         Destructive | Idempotent,
         "Makes one setting of a clip change over time: give, for each of several times, the "
         "value the setting has at that time, and the setting changes smoothly in between. For "
         "example, for a slow zoom, \"scale_percent\" 100 at the clip's start and 115 at its end. "
         "With clear, the setting stops changing over time.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"setting", "string",
              "The setting that is to change: \"x\" or \"y\" (in pixels from the middle of the "
              "picture), \"scale_percent\", \"rotation\" (in degrees), \"opacity_percent\", or, "
              "for a sound clip, \"volume_percent\".",
              Required},
             {"at_seconds", "array", "Timeline times in seconds, each falling within the clip.",
              Optional, itemsOfType("number")},
             {"values", "array",
              "The value the setting takes at each of those times, listed in the same order.",
              Optional, itemsOfType("number")},
             {"smooth", "boolean",
              "True makes each change between the values start and stop gently. Without it: "
              "true."},
             {"clear", "boolean", "True removes the setting's keyframes."},
         }},

        {"detect_beats",
         "Detect beats",
         Idempotent,
         "Finds the beats of the music on the timeline, or of a file that is named, so that cuts "
         "and pulses can follow them (cut_to_beats, pulse_on_beats). It takes a few seconds.",
         {
             {"file", "string",
              "The name of one file of the library; only its beats are found. Without it: the "
              "music on the timeline."},
         }},

        {"cut_to_beats",
         "Cut to the beat",
         Destructive | Idempotent,
         "Makes the clips of a video track change on the beat of the music: each clip is made "
         "longer or shorter so that the next clip starts on a beat. It needs detected beats "
         "(detect_beats).",
         {
             {"track", "string", "Which video track's clips get cut. Without it: \"V1\"."},
             {"every_beats", "integer",
              "The number of beats from one cut to the next: 1, 2 or 4. Without it: 1."},
             {"bars", "boolean", "True makes the cuts fall on the first beat of each bar instead."},
         }},

        {"pulse_on_beats",
         "Pulse on the beat",
         Destructive | Idempotent,
         "Makes a clip's picture grow a little on each beat of the music and then settle back. It "
         "needs detected beats (detect_beats).",
         {
             {"clip", "string", "The clip's id.", Required},
             {"amount_percent", "number",
              "How much bigger the picture grows on each beat, in percent. Without it: 8."},
             {"bars", "boolean", "True pulses on the first beat of each bar only."},
         }},

        {"fill_placeholder",
         "Fill a placeholder",
         Idempotent,
         "Puts a file of the library into a placeholder of a template; the file takes over the "
         "placeholder's position, length, look and animation. list_clips lists placeholders as "
         "clips of the kind \"placeholder\".",
         {
             {"placeholder", "string", "The placeholder's id.", Required},
             {"file", "string", "The name of the file in the library.", Required},
         }},

        {"undo_last_change",
         "Undo last change",
         Destructive,
         "Takes back the latest change to the project, just as Ctrl+Z does in Kestrova; calling "
         "it once more goes a further step back.",
         {}},
    };
}
