#pragma once
// The pixel engine: the lookup-table pass behind the colour, brightness and contrast previews,
// and the formulas that turn a slider position into a LevelTable.
#include <QImage>
#include <QString>
#include <array>

using LevelTable = std::array<quint8, 256>;

enum class EngineOp { None, BrightnessContrast, Red, Green, Blue };

// Exact, case-sensitive: "Brightness/Contrast", "RGB0" (red), "RGB1" (green), "RGB2" (blue);
// any other name is None, which changes nothing.
EngineOp engineOpFromName(const QString &operation);

// Rewrites the canvas's bytes from the snapshot's through the table, in place.
//
// Both pictures are seen as byte grids in 24-bit BMP layout: rows of R bytes (R = bytesPerLine,
// 3 * width padded to 4), grid row 0 being the BOTTOM row, so grid row y is scanline
// (height - 1 - y); the two grids are therefore aligned at their bottom rows. BrightnessContrast
// maps every byte of a row, fill bytes included; Red maps x = 2, 5, 8, ..., Green x = 1, 4, 7, ...,
// Blue x = 0, 3, 6, ..., up to R - 1 (fill bytes on the sequence too). A canvas byte whose
// position lies outside the snapshot's grid keeps its value.
//
// The canvas must be Format_BGR888 (the caller checks the depth and reports otherwise); anything
// else, or a null canvas, is left alone. The snapshot is read as raw rows of its own length.
void processImageBytes(const QImage &snapshot, QImage &canvas, EngineOp op, const LevelTable &table);

// X is the slider position in pixels, already raised to 0 when negative. Both fillers compute in
// double, keep the intermediate results as float (which decides the ties) and round ties to even.
// Channel and brightness sliders: gain g = e^(X/50) / 5, entry v = min(v * g, 255).
float gainAt(float X);
void fillGainTable(LevelTable &table, float X);
// Contrast slider: c = e^(X/30) / 20, entry v = (v - 127) * c + 127 clamped to [0, 255].
float contrastAt(float X);
void fillContrastTable(LevelTable &table, float X);
