#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>

#include <vector>

// A picture's Base64 text left where it arrived: in the editor's reply line, which it keeps alive.
struct RawPicture {
    QByteArray line;
    QByteArrayView base64; // within `line`; empty when there is no raw picture
};

// An editor reply. A picture kept raw is in `picture`, and `fields` then holds "image" as "".
struct EditorReply {
    QJsonObject fields;
    RawPicture picture = {};
    bool dropped = false; // the client cancelled the call before the editor answered
};

// The reply of a call the client cancelled before the editor answered.
EditorReply droppedReply();

// Which stretches of a line, taken from its start, hold only bytes a picture's text may hold
// (printable ASCII other than '"' and '\\'): noted while the line arrives and is still in the
// cache, so that the look for a raw picture need not read a picture's megabytes again.
struct PlainStretches {
    static constexpr qsizetype stretchBytes = 64 * 1024;
    std::vector<bool> plain; // stretch i covers bytes [i * stretchBytes, (i + 1) * stretchBytes)
};

// Notes the stretches of `received` that have arrived whole since the last note.
void notePlainStretches(PlainStretches& stretches, QByteArrayView received);

// The reply one editor line holds: its object, or the empty object when the line is not one.
// A top-level "image" string of plain Base64 characters is kept raw instead of being parsed.
// `stretches`, when given, were noted over the line as it arrived.
EditorReply editorReplyFromLine(const QByteArray& line, const PlainStretches* stretches = nullptr);

// The whole reply object, with a raw picture put back as "image". For the tests and fuzz checks.
QJsonObject replyObject(const EditorReply& reply);
