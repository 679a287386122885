#pragma once
// A canvas that writes down every drawing call as a readable record and then draws it for real,
// so a test can check both what was asked for and what it looks like. Without a device of its
// own it draws into a private white QImage at 96 pixels per inch, which also answers the text
// measurements.
#include "plot/Canvas.h"

#include <QImage>

#include <cstdint>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

struct TCanvasRecord {
    // "MoveTo", "LineTo", "TextOut", "Rectangle", "Ellipse", "PenStyle", "PenColor", "PenMode",
    // "BrushStyle", "BrushColor", "Font", and, when LogMeasures is set, "TextWidth",
    // "TextHeight".
    std::string Op;
    int32_t X = 0;
    int32_t Y = 0;
    int32_t X2 = 0;
    int32_t Y2 = 0;
    // Text written or measured, or the new setting ("dot", "#ff0000", "notxor", "Arial 10 900").
    std::string Text;

    // One line such as `LineTo 30,20`, `TextOut 5,6 "1.5"` or `PenStyle dot`.
    std::string ToString() const {
        std::ostringstream out;
        out << Op;
        if (Op == "MoveTo" || Op == "LineTo")
            out << ' ' << X << ',' << Y;
        else if (Op == "TextOut")
            out << ' ' << X << ',' << Y << " \"" << Text << '"';
        else if (Op == "Rectangle" || Op == "Ellipse")
            out << ' ' << X << ',' << Y << ',' << X2 << ',' << Y2;
        else
            out << ' ' << (Op == "TextWidth" || Op == "TextHeight" ? '"' + Text + '"' : Text);
        return out.str();
    }
};

class TRecordingCanvas : public TCanvas {
public:
    // Draws into its own 640 x 480 image at 96 pixels per inch.
    TRecordingCanvas() : TRecordingCanvas(640, 480) {}
    TRecordingCanvas(int width, int height)
        : OwnImage(std::make_unique<QImage>(width, height, QImage::Format_RGB32)) {
        OwnImage->fill(Qt::white);
        const int dotsPerMeter = qRound(96 / 0.0254);
        OwnImage->setDotsPerMeterX(dotsPerMeter);
        OwnImage->setDotsPerMeterY(dotsPerMeter);
        SetDevice(OwnImage.get());
    }
    // Draws into the given device (not owned).
    explicit TRecordingCanvas(QPaintDevice* device) : TCanvas(device) {}
    ~TRecordingCanvas() override { FreeHandle(); }

    void SetPenStyle(TPenStyle style) override {
        Log("PenStyle", style == TPenStyle::psDot ? "dot" : "solid");
        TCanvas::SetPenStyle(style);
    }
    void SetPenColor(const QColor& color) override {
        Log("PenColor", color.name().toStdString());
        TCanvas::SetPenColor(color);
    }
    void SetPenMode(TPenMode mode) override {
        Log("PenMode", mode == TPenMode::pmNotXor ? "notxor" : "copy");
        TCanvas::SetPenMode(mode);
    }
    void SetBrushStyle(TBrushStyle style) override {
        Log("BrushStyle", style == TBrushStyle::bsClear ? "clear" : "solid");
        TCanvas::SetBrushStyle(style);
    }
    void SetBrushColor(const QColor& color) override {
        Log("BrushColor", color.name().toStdString());
        TCanvas::SetBrushColor(color);
    }
    void SetFont(const TFontSpec& font) override {
        Log("Font",
            font.Name + ' ' + std::to_string(font.Size) + ' ' + std::to_string(font.Escapement));
        TCanvas::SetFont(font);
    }
    void MoveTo(int32_t x, int32_t y) override {
        Records.push_back({"MoveTo", x, y, 0, 0, {}});
        TCanvas::MoveTo(x, y);
    }
    void LineTo(int32_t x, int32_t y) override {
        Records.push_back({"LineTo", x, y, 0, 0, {}});
        TCanvas::LineTo(x, y);
    }
    void TextOut(int32_t x, int32_t y, const std::string& text) override {
        Records.push_back({"TextOut", x, y, 0, 0, text});
        TCanvas::TextOut(x, y, text);
    }
    int32_t TextWidth(const std::string& text) override {
        if (LogMeasures) Records.push_back({"TextWidth", 0, 0, 0, 0, text});
        return TCanvas::TextWidth(text);
    }
    int32_t TextHeight(const std::string& text) override {
        if (LogMeasures) Records.push_back({"TextHeight", 0, 0, 0, 0, text});
        return TCanvas::TextHeight(text);
    }
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
        Records.push_back({"Rectangle", x1, y1, x2, y2, {}});
        TCanvas::Rectangle(x1, y1, x2, y2);
    }
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override {
        Records.push_back({"Ellipse", x1, y1, x2, y2, {}});
        TCanvas::Ellipse(x1, y1, x2, y2);
    }

    // The records with the given operation, in order.
    std::vector<TCanvasRecord> Only(const std::string& op) const {
        std::vector<TCanvasRecord> result;
        for (const TCanvasRecord& record : Records)
            if (record.Op == op) result.push_back(record);
        return result;
    }
    // All records, one per line.
    std::string Dump() const {
        std::string result;
        for (const TCanvasRecord& record : Records)
            result += record.ToString() + '\n';
        return result;
    }
    // The image drawn into when the canvas owns one (flushes the painter first).
    const QImage& Image() {
        FreeHandle();
        if (!OwnImage) throw std::logic_error("the recording canvas draws into a given device");
        return *OwnImage;
    }

    std::vector<TCanvasRecord> Records;
    bool LogMeasures = false;

private:
    void Log(const std::string& op, const std::string& text) {
        Records.push_back({op, 0, 0, 0, 0, text});
    }

    std::unique_ptr<QImage> OwnImage;
};
