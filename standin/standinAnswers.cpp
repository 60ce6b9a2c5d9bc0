#include "standin/standinAnswers.h"

#include "base/jsonText.h"

#include <QStringList>

namespace
{

enum class Kind {
    Reading, // the text alone
    Picture, // the text and what was asked for, and the picture
    Change,  // "Done: " and the text, and what was asked for
};

struct ToolText {
    const char* tool;
    Kind kind;
    const char* text;
};

// The project every answer talks about: "Holiday cut", 1920x1080 at 25 fps, 1 min 42 s.
const ToolText toolTexts[] = {
    {"get_project", Kind::Reading,
     "Project \"Holiday cut\": 1920x1080, 25 fps, 1 min 42 s long.\n"
     "Tracks: V1 (8 clips), V2 (1 title), A1 (speech, linked to V1), A2 (music \"Summer "
     "Breeze.mp3\").\n"
     "Markers: 12.0 s \"Beach\", 65.0 s \"Sunset\".\n"
     "A transcript exists."},
    {"list_clips", Kind::Reading,
     "V1: c1 \"arrival.mp4\" 0.0-14.2 s (source 3.0-17.2 s, speed 1), c2 \"beach.mp4\" "
     "14.2-38.0 s, c3 \"sunset.mp4\" 38.0-61.5 s (effect Vignette).\n"
     "V2: t1 title \"Summer 2026\" 1.0-5.0 s.\n"
     "A2: m1 \"Summer Breeze.mp3\" 0.0-102.0 s, volume 30 %."},
    {"list_media", Kind::Reading,
     "arrival.mp4: video, 41.3 s, 1920x1080, 25 fps, used once, transcript.\n"
     "beach.mp4: video, 95.0 s, 3840x2160, 50 fps, used twice.\n"
     "sunset.mp4: video, 30.2 s, 1920x1080, 25 fps, used once.\n"
     "Summer Breeze.mp3: audio, 184.0 s, used once, beats detected."},
    {"list_effects", Kind::Reading,
     "Color: Brightness (Amount -100 to 100, default 0), Warmth (Amount -100 to 100, default 0).\n"
     "Looks: Vignette (Amount 0 to 100, default 50; Softness 0 to 100, default 40).\n"
     "Stylize: Film Grain (Amount 0 to 100, default 30)."},
    {"get_transcript", Kind::Reading,
     "0.8-3.1 s: Here we are, finally at the sea.\n"
     "4.0-7.6 s: The water is warmer than I thought.\n"
     "66.2-69.0 s: Look at that sunset."},
    {"get_frame", Kind::Picture, "The timeline at that moment, with all tracks and titles"},
    {"get_frames", Kind::Picture,
     "The pictures at those times, side by side, each labelled with its time"},
    {"look_through", Kind::Picture,
     "Pictures spaced evenly over that stretch, each labelled with its time"},
    {"find_in_clip", Kind::Reading,
     "Found 3 places: 18.4 s (loud, stands out strongly), 27.9 s (medium), 33.2 s (quiet)."},
    {"find_highlights", Kind::Reading,
     "Highlights: 15.0-21.5 s (waves breaking, lively), 62.0-68.0 s (sunset, calm)."},
    {"list_transitions", Kind::Reading,
     "Cross Dissolve, Dip to Black, Dip to White, Wipe Left, Wipe Right, Zoom, Spin, Glitch."},
    {"list_sounds", Kind::Reading,
     "Whoosh (0.6 s), Whoosh Soft (0.9 s), Hit (0.4 s), Riser (2.5 s), Click (0.1 s), Pop (0.2 "
     "s)."},
    {"list_export_targets", Kind::Reading,
     "youtube: 1920x1080, 25 fps, H.264.\n"
     "shorts: 1080x1920, 30 fps, H.264.\n"
     "instagram: 1080x1350, 30 fps, H.264.\n"
     "master: the project's own size and rate, ProRes."},
    {"export_status", Kind::Reading,
     "No export is running. The last one, \"Holiday cut.mp4\", finished 4 minutes ago."},
    {"get_clip", Kind::Reading,
     "Clip c2 on V1: \"beach.mp4\", 14.2-38.0 s on the timeline, source 10.0-33.8 s, speed 1, "
     "volume 100 %, effects: Warmth (Amount 20), linked to a1 on A1."},

    {"cut_out", Kind::Change, "cut out the stretch and closed the gap"},
    {"split_clip", Kind::Change, "split the clips at that time"},
    {"trim_clip", Kind::Change, "trimmed the clip"},
    {"move_clip", Kind::Change, "moved the clip"},
    {"delete_clip", Kind::Change, "deleted the clip"},
    {"add_effect", Kind::Change, "added the effect to the clip"},
    {"set_effect", Kind::Change, "changed the effect's settings"},
    {"remove_effect", Kind::Change, "removed the effect from the clip"},
    {"keep_only", Kind::Change, "kept those parts; they now lie at 0.0-6.0 s and 6.0-15.5 s"},
    {"add_transition", Kind::Change, "put the transition on the cut"},
    {"remove_transition", Kind::Change, "removed the transition from the cut"},
    {"set_speed", Kind::Change, "changed the clip's speed"},
    {"freeze_frame", Kind::Change, "froze the picture"},
    {"set_volume", Kind::Change, "changed the clip's volume"},
    {"add_media", Kind::Change, "put the file on the timeline"},

    {"set_picture", Kind::Change, "placed the clip's picture"},
    {"animate_clip", Kind::Change, "animated the clip"},
    {"add_sound", Kind::Change, "added the sound on A3"},
    {"import_file", Kind::Change, "imported the file into the library"},
    {"save_project", Kind::Change, "saved \"Holiday cut\""},
    {"export_video", Kind::Change, "started the export to \"Holiday cut.mp4\""},
    {"add_title", Kind::Change, "added the title on V3"},
    {"list_title_styles", Kind::Reading,
     "Lower Third Clean: a white bar with the name on it, slides in from the left.\n"
     "Headline Bold: large capitals, pops in.\n"
     "Neon: glowing pink letters that flicker on.\n"
     "Typewriter: letters appear one after another."},
    {"list_templates", Kind::Reading,
     "intro-sunny (Intro, 5.0 s, 2 placeholders), outro-subscribe (Outro, 6.0 s, 1 "
     "placeholder), lower-third-travel (Lower Third, 4.0 s)."},
    {"add_template", Kind::Change, "placed the template; it made clips t2, t3 and placeholder p1"},
    {"reframe", Kind::Change, "reframed the video"},
    {"remove_background", Kind::Change, "started removing the background"},

    {"shorten_pauses", Kind::Change, "shortened 14 pauses; the video is 6.3 s shorter"},
    {"remove_filler_words", Kind::Change, "removed 9 filler words"},
    {"transcribe", Kind::Change, "transcribed 2 files"},
    {"add_captions", Kind::Change, "added 212 captioned words on S1"},
    {"list_stickers", Kind::Reading,
     "Arrows: Arrow Curved, Arrow Bold. Bubbles: Speech Bubble (shows words). Buttons: Subscribe "
     "(shows words). Emoji: Heart Eyes, Laughing."},
    {"add_sticker", Kind::Change, "added the sticker on V3"},
    {"set_keyframes", Kind::Change, "set the keyframes"},
    {"detect_beats", Kind::Change, "found 212 beats at 124 beats per minute"},
    {"cut_to_beats", Kind::Change, "moved 8 cuts onto beats"},
    {"pulse_on_beats", Kind::Change, "made the picture pulse on the beats"},
    {"fill_placeholder", Kind::Change, "filled the placeholder"},
    {"undo_last_change", Kind::Change, "undid the last change"},
};

const ToolText* findText(const QString& tool)
{
    for (const ToolText& entry : toolTexts) {
        if (tool == QLatin1String(entry.tool))
            return &entry;
    }
    return nullptr;
}

QString valueText(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QJsonValue::Array:
    case QJsonValue::Object:
        return QString::fromUtf8(jsonText(value));
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QString::number(value.toDouble());
    default:
        return QStringLiteral("null");
    }
}

// " (seconds 1.5, width 640)", or nothing for no arguments.
QString argumentsText(const QJsonObject& arguments)
{
    if (arguments.isEmpty())
        return QString();
    QStringList parts;
    for (auto it = arguments.begin(); it != arguments.end(); ++it)
        parts.append(it.key() + QLatin1Char(' ') + valueText(it.value()));
    return QStringLiteral(" (") + parts.join(QStringLiteral(", ")) + QLatin1Char(')');
}

} // namespace

StandinAnswer answerFor(const QString& tool, const QJsonObject& arguments)
{
    const ToolText* entry = findText(tool);
    if (!entry)
        return {QStringLiteral("Kestrova has no tool called \"%1\".").arg(tool), false, false};
    const QString text = QString::fromUtf8(entry->text);
    switch (entry->kind) {
    case Kind::Reading:
        break;
    case Kind::Picture:
        return {text + argumentsText(arguments) + QLatin1Char('.'), true, true};
    case Kind::Change:
        return {QStringLiteral("Done: ") + text + argumentsText(arguments) + QLatin1Char('.'),
                false, true};
    }
    return {text, false, true};
}

QString refusalFor(const QString& tool)
{
    return QStringLiteral("Kestrova could not do %1: no project is open.").arg(tool);
}
