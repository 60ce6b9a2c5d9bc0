#pragma once

#include "editor/editorOutcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>

#include <vector>

// A picture's Base64 text left where it arrived: in the editor's reply line, which it keeps alive.
struct RawPicture {
    QByteArray line;
    QByteArrayView base64; // within `line`; empty when there is no raw picture
};

// An editor reply, and what became of the exchange. A picture kept raw is in `picture`, and
// `fields` then holds "image" as "".
struct EditorReply {
    QJsonObject fields;
    RawPicture picture = {};
    EditorOutcome outcome = EditorOutcome::Answered;
};

// The reply of a call that did not get the editor's answer: the outcome, and its failure
// sentence with the error flag (nothing for a cancelled call, which gets no reply).
EditorReply failedReply(EditorOutcome outcome);

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
