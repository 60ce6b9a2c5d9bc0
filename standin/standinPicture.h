#pragma once

#include <QByteArray>

#include <optional>

// The picture the picture tools send, Base64-encoded. With a size, the JPEG is padded with
// comment segments until its Base64 text is about that many bytes; it still decodes as the
// same picture.
QByteArray pictureBase64(std::optional<qsizetype> base64Size);
