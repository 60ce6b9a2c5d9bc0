#include "catalogue/toolTables.h"

#include <QJsonArray>

namespace
{

// `parts` of keep_only: each element one stretch of the timeline to keep.
QJsonObject keptPart()
{
    return QJsonObject{{QStringLiteral("type"), QStringLiteral("object")},
                       {QStringLiteral("properties"),
                        QJsonObject{{QStringLiteral("from_seconds"), itemsOfType("number")},
                                    {QStringLiteral("to_seconds"), itemsOfType("number")}}},
                       {QStringLiteral("required"),
                        QJsonArray{QStringLiteral("from_seconds"), QStringLiteral("to_seconds")}}};
}

} // namespace

std::vector<ToolRow> editingTools()
{
    return {
        {"cut_out",
         "Cut out a stretch",
         Destructive,
         "Removes the stretch between two times from the timeline, on every track. What follows "
         "moves earlier to close the gap, so picture, sound, titles and subtitles stay in step. "
         "Use it to take out a botched take, a pause or a dull stretch.",
         {
             {"from_seconds", "number",
              "Timeline time, in seconds, where the stretch to remove "
              "starts.",
              Required},
             {"to_seconds", "number", "Timeline time, in seconds, where that stretch ends.",
              Required},
             {"close_gap", "boolean",
              "False leaves a gap in its place instead of moving what follows up. Without it: "
              "true."},
         }},

        {"split_clip",
         "Split clips",
         Idempotent,
         "Cuts clips in two at one time; nothing is removed. Given a clip's id, it splits that "
         "clip together with the sound or picture linked to it; given none, it splits every clip "
         "that spans that time.",
         {
             {"seconds", "number", "The timeline time, in seconds, at which to split.", Required},
             {"clip", "string",
              "Id of the one clip to split. Without it: every clip at that time."},
         }},

        {"trim_clip",
         "Trim a clip",
         Destructive | Idempotent,
         "Moves one edge of a clip, so that the clip starts later or earlier, or ends earlier or "
         "later. A media clip can be made longer only as far as its file holds material. The room "
         "the clip gives up is left empty.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"new_start", "number", "Timeline time, in seconds, at which the clip is to start."},
             {"new_end", "number", "Timeline time, in seconds, at which the clip is to end."},
         }},

        {"move_clip",
         "Move a clip",
         Destructive | Idempotent,
         "Moves a clip, together with the sound or picture linked to it, to another time, and "
         "onto another track when one is named. Clips already at the destination make room; no "
         "clip is overwritten.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"to_seconds", "number",
              "Timeline time, in seconds, at which the clip is to start. Without it: the clip "
              "keeps its time."},
             {"track", "string",
              "The track to move the clip to, for instance \"V2\". Video clips go only to video "
              "tracks, sound clips only to audio tracks. The clip changes track only when this is "
              "given."},
         }},

        {"delete_clip",
         "Delete a clip",
         Destructive,
         "Deletes a clip and the sound or picture linked to it. What comes after it moves "
         "earlier, except where the clip stood alone, as a title lying above the film does.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"close_gap", "boolean", "False leaves the clip's place empty. Without it: true."},
         }},

        {"add_effect",
         "Add an effect",
         Additive,
         "Applies an effect to a clip: video effects to video clips, audio effects to sound "
         "clips. Name the effect as list_effects names it; settings you leave out keep their "
         "default values.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"effect", "string", "The effect's name, for instance \"Vignette\".", Required},
             {"settings", "object",
              "Settings keyed by their names, each value in the unit list_effects shows, for "
              "instance {\"Amount\": 60}. Settings not named keep their defaults."},
         }},

        {"set_effect",
         "Change an effect's settings",
         Destructive | Idempotent,
         "Changes the settings of an effect that is already on a clip. get_clip shows a clip's "
         "effects and their present settings.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"effect", "string", "The effect's name.", Required},
             {"settings", "object",
              "The settings to change, keyed by their names, for instance {\"Amount\": 60}.",
              Required},
         }},

        {"remove_effect",
         "Remove an effect",
         Destructive,
         "Removes an effect from a clip.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"effect", "string", "The effect's name.", Required},
         }},

        {"keep_only",
         "Keep only some stretches",
         Destructive,
         "Keeps the stretches of the timeline you name and removes all the rest, on every track, "
         "closing the gaps: the one-step way to make a montage out of long footage. The answer "
         "tells where each kept part lies afterwards.",
         {
             {"parts", "array",
              "The stretches to keep: each an object with from_seconds and to_seconds, "
              "the timeline times where the stretch starts and ends, for instance "
              "[{\"from_seconds\": 12, \"to_seconds\": 18.5}].",
              Required, keptPart()},
         }},

        {"add_transition",
         "Put a transition on a cut",
         Destructive | Idempotent,
         "Puts a transition on a cut: a place on one track where a clip ends and the next one "
         "begins. A transition already on that cut is replaced. It lasts as long as you ask, or "
         "as long as the two clips allow.",
         {
             {"at_seconds", "number", "Timeline time, in seconds, of the cut.", Required},
             {"transition", "string", "The transition's name, as list_transitions gives it.",
              Required},
             {"duration_seconds", "number",
              "Length of the transition, in seconds. Without it: 0.5."},
             {"track", "string",
              "The one track to act on, for instance \"V1\". Without it: every video track that "
              "has a cut at that time."},
         }},

        {"remove_transition",
         "Remove a transition",
         Destructive | Idempotent,
         "Removes the transition from a cut.",
         {
             {"at_seconds", "number", "Timeline time, in seconds, of the cut.", Required},
             {"track", "string",
              "The one track to act on, for instance \"V1\". Without it: every video track that "
              "has a cut at that time."},
         }},

        {"set_speed",
         "Set a clip's speed",
         Destructive | Idempotent,
         "Gives a clip and its sound slow motion, fast motion or backward play. The clip still "
         "shows the same portion of its file, so its length changes and what follows moves with "
         "it. For slow motion on a single moment, first split the clip (split_clip) just before "
         "and just after that moment, then slow down the part between.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"speed", "number",
              "Playing speed as a factor, from 0.1 to 16: 1 is the filmed speed, 0.5 half of it, "
              "2 twice it."},
             {"reverse", "boolean", "True makes the clip play backwards."},
         }},

        {"freeze_frame",
         "Freeze a frame",
         Additive,
         "Holds the picture at one moment for a while; what follows moves later.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"at_seconds", "number",
              "The moment to hold, as a timeline time in seconds that lies inside the clip.",
              Required},
             {"hold_seconds", "number", "How long the picture is held, in seconds. Without it: 2."},
         }},

        {"set_volume",
         "Set a clip's volume",
         Destructive | Idempotent,
         "Sets how loud a clip's sound is and how it fades in and out. The clip may be the sound "
         "clip or the video clip whose sound is to change. Use it to lay music under the film, at "
         "about 20 to 40 percent beneath speech, and to let the music end softly.",
         {
             {"clip", "string", "The clip's id.", Required},
             {"percent", "number",
              "Loudness in percent, from 0 to 200: 0 is silent, 100 as "
              "recorded."},
             {"fade_in_seconds", "number",
              "How long, in seconds, the sound takes to rise at the clip's start."},
             {"fade_out_seconds", "number",
              "How long, in seconds, the sound takes to fall at the clip's end."},
         }},

        {"add_media",
         "Put a file on the timeline",
         Additive,
         "Puts a library file onto the timeline. Videos and pictures go on \"V1\", where clips "
         "already there make room; music and other sounds go on a free audio track beneath the "
         "film and push nothing aside. A file not yet in the library that the user names by "
         "its full path is brought in first with import_file.",
         {
             {"name", "string", "The file's name, as list_media gives it.", Required},
             {"at_seconds", "number",
              "Timeline time, in seconds, at which the file starts. Without it: after everything "
              "already on the timeline."},
         }},
    };
}
