#pragma once
// The picture box's picture. A capture's own BMP is read where it lies and scaled to the box
// (never enlarged), so showing a whole-screen capture neither decodes it nor copies it.
#include <QImage>
#include <QSize>
#include <string>

class CapturePreview {
public:
    // Image file bytes (BMP, PNG, JPEG, GIF) fitted into the box; a null image for bytes
    // that are no picture.
    static QImage make(const std::string& imageBytes, const QSize& box);
};
