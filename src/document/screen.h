#pragma once
// Outer sizes and places of windows and controls are twips; 15 twips make a pixel here.
namespace Screen {
inline constexpr double TwipsPerPixelX = 15.0;
inline constexpr double TwipsPerPixelY = 15.0;
} // namespace Screen
