#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>

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

// The reply one editor line holds: its object, or the empty object when the line is not one.
// A top-level "image" string of plain Base64 characters is kept raw instead of being parsed.
EditorReply editorReplyFromLine(const QByteArray& line);

// The whole reply object, with a raw picture put back as "image". For the tests and fuzz checks.
QJsonObject replyObject(const EditorReply& reply);
