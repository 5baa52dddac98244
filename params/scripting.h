// Exchange of the settings with the host's scripting descriptors.
#pragma once

#include "corvane_records.h"

// Keys, types and values of the recorded step.
constexpr DescriptorKeyID kKeyAmount = FourCC("Amnt");
constexpr DescriptorKeyID kKeyColour = FourCC("disP");
constexpr DescriptorKeyID kKeyEntireImage = FourCC("entI");
constexpr DescriptorKeyID kKeyHorizontalGap = FourCC("hGap");
constexpr DescriptorKeyID kKeyVerticalGap = FourCC("vGap");
constexpr DescriptorKeyID kKeyHorizontalThickness = FourCC("hThk");
constexpr DescriptorKeyID kKeyVerticalThickness = FourCC("vThk");
constexpr DescriptorKeyID kKeyAlignment = FourCC("aliN");
constexpr DescriptorKeyID kKeyIgnoreZeroPixel = FourCC("ign0");
constexpr DescriptorKeyID kKeyRemoveOthers = FourCC("rmvO");
constexpr DescriptorKeyID kKeyCustomColour = FourCC("Clr ");
constexpr DescriptorKeyID kKeyOpacity = FourCC("Opct");
constexpr DescriptorKeyID kKeyRed = FourCC("Rd  ");
constexpr DescriptorKeyID kKeyGreen = FourCC("Grn ");
constexpr DescriptorKeyID kKeyBlue = FourCC("Bl  ");
// The grid in the picture's own terms. Lengths are unit floats of three kinds; an integer
// length (a step recorded before units) is pixels.
constexpr DescriptorKeyID kKeyHorizontalOffset = FourCC("hOfs");
constexpr DescriptorKeyID kKeyVerticalOffset = FourCC("vOfs");
constexpr DescriptorKeyID kKeyDashLength = FourCC("DshL");
constexpr DescriptorKeyID kKeyDashGap = FourCC("DshG");
constexpr DescriptorKeyID kKeyMinorThickness = FourCC("MnTh");
constexpr DescriptorKeyID kKeyRows = FourCC("Rows");
constexpr DescriptorKeyID kKeyColumns = FourCC("Clmn");
constexpr DescriptorKeyID kKeyFrame = FourCC("Frme");
constexpr DescriptorKeyID kKeySubdivisions = FourCC("SbDv");
constexpr DescriptorKeyID kKeyLineStyle = FourCC("Styl");
constexpr DescriptorKeyID kKeyMinorColour = FourCC("MnCl");
constexpr DescriptorKeyID kKeyMinorOpacity = FourCC("MnOp");
constexpr DescriptorKeyID kKeyGridUnit = FourCC("GUnt");  // the unit the dialog shows
constexpr DescriptorClassID kClassRgbColour = FourCC("RGBC");
constexpr DescriptorUnitID kUnitPercent = FourCC("#Prc");
constexpr DescriptorUnitID kUnitPixels = FourCC("#Pxl");
constexpr DescriptorUnitID kUnitDistance = FourCC("#Rlt");  // points, 72 to the inch
constexpr DescriptorTypeID kTypeLineStyle = FourCC("LnSt");
constexpr DescriptorEnumID kStyleSolid = FourCC("Sold");
constexpr DescriptorEnumID kStyleDashed = FourCC("Dshd");
constexpr DescriptorEnumID kStyleDotted = FourCC("Dotd");
constexpr DescriptorTypeID kTypeGridUnit = FourCC("GUnt");
// Values of 'GUnt' in GridUnit order: px, %, in, cm, mm, pt, pc.
constexpr DescriptorEnumID kGridUnitCodes[7] = {FourCC("Pxls"), FourCC("Prcn"), FourCC("Inch"),
                                                FourCC("Cntm"), FourCC("Mlmt"), FourCC("Pnts"),
                                                FourCC("Pcas")};
constexpr DescriptorTypeID kTypeColour = FourCC("mooD");
constexpr DescriptorTypeID kTypeAlignment = FourCC("aliN");
constexpr DescriptorEnumID kAlignTop = FourCC("aTop");
constexpr DescriptorEnumID kAlignCentre = FourCC("aCnt");
constexpr DescriptorEnumID kAlignBottom = FourCC("aBtm");

// True when both suites may be used: reading (version 0, at least 18 procedures, all present)
// and writing (version 0, at least 16 procedures, every one the plug-in calls present).
bool DescriptorSuitesUsable(const PIDescriptorParameters* parameters) noexcept;
// Reading alone; replay needs nothing of the writing suite.
bool ReadDescriptorSuiteUsable(const PIDescriptorParameters* parameters) noexcept;
bool WriteDescriptorSuiteUsable(const PIDescriptorParameters* parameters) noexcept;

// Replays recorded settings at Start and decides from the play mode whether the dialog shows.
// Consumes the host's descriptor.
void ReadScriptParameters(InvocationContext* context) noexcept;
// Records the settings into a new descriptor at Finish; reports nothing.
void WriteScriptParameters(InvocationContext* context) noexcept;
