#include "standin/standinPicture.h"

namespace
{

constexpr char frameBase64[] =
    "/9j/4AAQSkZJRgABAQEAYABgAAD/"
    "2wBDAAYEBQYFBAYGBQYHBwYIChAKCgkJChQODwwQFxQYGBcUFhYaHSUfGhsjHBYWICwg"
    "IyYnKSopGR8tMC0oMCUoKSj/"
    "2wBDAQcHBwoIChMKChMoGhYaKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgoKCgo"
    "KCgoKCgoKCgoKCgoKCj/wAARCAAJABADASIAAhEBAxEB/8QAHwAAAQUBAQEBAQEAAAAAAAAAAAECAwQFBgcICQoL/"
    "8QAtRAA"
    "AgEDAwIEAwUFBAQAAAF9AQIDAAQRBRIhMUEGE1FhByJxFDKBkaEII0KxwRVS0fAkM2JyggkKFhcYGRolJicoKSo0NTY3OD"
    "k6"
    "Q0RFRkdISUpTVFVWV1hZWmNkZWZnaGlqc3R1dnd4eXqDhIWGh4iJipKTlJWWl5iZmqKjpKWmp6ipqrKztLW2t7i5usLDxM"
    "XG"
    "x8jJytLT1NXW19jZ2uHi4+Tl5ufo6erx8vP09fb3+Pn6/8QAHwEAAwEBAQEBAQEBAQAAAAAAAAECAwQFBgcICQoL/"
    "8QAtREA"
    "AgECBAQDBAcFBAQAAQJ3AAECAxEEBSExBhJBUQdhcRMiMoEIFEKRobHBCSMzUvAVYnLRChYkNOEl8RcYGRomJygpKjU2Nz"
    "g5"
    "OkNERUZHSElKU1RVVldYWVpjZGVmZ2hpanN0dXZ3eHl6goOEhYaHiImKkpOUlZaXmJmaoqOkpaanqKmqsrO0tba3uLm6ws"
    "PE"
    "xcbHyMnK0tPU1dbX2Nna4uPk5ebn6Onq8vP09fb3+Pn6/9oADAMBAAIRAxEAPwDaTxhpB/5dr7/vhP8A4qpk8W6Sf+Xa9/"
    "74"
    "T/4qvPo6tR1suHsHT+FP7zyaXEmPnvM//9k=";

// A comment segment: marker FF FE, then a big-endian length that counts itself.
constexpr qsizetype segmentHeaderBytes = 4;
constexpr qsizetype largestSegmentPayload = 0xFFFF - 2;

void appendCommentSegment(QByteArray& jpeg, qsizetype payloadBytes)
{
    const qsizetype length = payloadBytes + 2;
    jpeg.append(char(0xFF));
    jpeg.append(char(0xFE));
    jpeg.append(char((length >> 8) & 0xFF));
    jpeg.append(char(length & 0xFF));
    jpeg.append(payloadBytes, ' ');
}

// A small real JPEG: a 16x9 frame of a sunset over the sea.
QByteArray standinJpeg()
{
    return QByteArray::fromBase64(QByteArray(frameBase64));
}

} // namespace

QByteArray pictureBase64(std::optional<qsizetype> base64Size)
{
    const QByteArray frame = standinJpeg();
    const qsizetype wantedBytes = base64Size ? *base64Size / 4 * 3 : 0;
    if (wantedBytes <= frame.size() + segmentHeaderBytes)
        return frame.toBase64();

    // The start-of-image marker first, then the padding, then the rest of the picture.
    QByteArray padded;
    padded.reserve(wantedBytes);
    padded.append(frame.left(2));
    qsizetype padding = wantedBytes - frame.size();
    while (padding >= segmentHeaderBytes) {
        const qsizetype payload = qMin(padding - segmentHeaderBytes, largestSegmentPayload);
        appendCommentSegment(padded, payload);
        padding -= payload + segmentHeaderBytes;
    }
    padded.append(frame.mid(2));
    return padded.toBase64();
}
