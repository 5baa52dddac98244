// The stripe colour in the image's mode: the host's colour services when they work, the
// plug-in's own RGB conversion when they are missing or refuse.
#pragma once

#include <cstdint>

#include "corvane_records.h"

// Colour-services space id for an image mode; -1 when no conversion is made.
int16_t ColourSpaceForMode(int16_t imageMode) noexcept;
// Colour components of an image mode; modes without a fixed count give back `count`.
int16_t ComponentsForMode(int16_t imageMode, int16_t count) noexcept;

// Four-component helpers: 0, or -1715 when an array is missing.
int16_t SetComponents(int16_t* components, int16_t c0, int16_t c1, int16_t c2,
                      int16_t c3) noexcept;
int16_t CopyComponents(const int16_t* from, int16_t* to) noexcept;

// Asks the host to convert `components` between spaces. 0 on success (components replaced),
// the host's code on failure (components untouched), -30900 without a callback, -1715
// without components.
int16_t ConvertColour(ColorServicesProc colorServices, int16_t sourceSpace, int16_t resultSpace,
                      int16_t* components) noexcept;

// Asks the host's colour picker for an RGB colour, starting from `components` (0..2), with
// `prompt` (a Pascal string). 0 on success, the components then replaced and held in 0..255;
// the host's code otherwise (-128 when the user cancelled), components untouched; -30900
// without a callback, -1715 without components.
int16_t ChooseColour(ColorServicesProc colorServices, const unsigned char* prompt,
                     int16_t* components) noexcept;

// The plug-in's own conversion of 8-bit RGB (components 0..2) into `resultSpace`, every
// result component in 0..255:
//   Gray  Y = (299 R + 587 G + 114 B) / 1000, rounded
//   CMYK  K = 255 - max; C, M, Y = (255 - channel - K) * 255 / (255 - K), rounded (0 when K = 255)
//   HSB   H = hue in degrees * 255 / 360, rounded (255 wraps to 0); S = (max - min) * 255 / max;
//         B = max
//   HSL   H as for HSB; L = (max + min) / 2; S = (max - min) * 255 / (max + min) for L <= 127.5,
//         (max - min) * 255 / (510 - max - min) above, all rounded
//   Lab   sRGB (D65) to CIE L*a*b*; L* * 255 / 100 and a*, b* + 128, rounded and clamped
// Inputs outside 0..255 are clamped. False (components untouched) for an unknown space.
bool ConvertRgbToSpace(int16_t resultSpace, int16_t* components) noexcept;

// Fills colourBytes[0..n) with the stripe colour (8-bit red, green, blue, and a fourth
// component) in the mode of the context's image. `n` comes in as the caller's count and stays
// unchanged for modes without a colour space.
void ResolveStripeColour(const InvocationContext* context, int16_t red, int16_t green,
                         int16_t blue, int16_t fourth, uint8_t* colourBytes, int16_t* n) noexcept;
