#pragma once

// The ids callers pass to the GetGraphic functions; each names a resource of plinthart
// (its name follows the id).
namespace rack {

// Graphic parts (GetGraphicPart).
inline constexpr int kPartMixerBackground = 101;   // MIXER_BACKGROUND
inline constexpr int kPartTopPanel = 102;          // TOP_PANEL
inline constexpr int kPartSliderBackground = 103;  // SLIDER_BACKGROUND
inline constexpr int kPartCdBackground = 104;      // CD_BACKGROUND
inline constexpr int kPartMidiBackground = 105;    // MIDI_BACKGROUND
inline constexpr int kPartWaveBackground = 106;    // WAVE_BACKGROUND
inline constexpr int kPartMidiMeter = 107;         // MIDI_METER
inline constexpr int kPartWaveMeter = 108;         // WAVE_METER, a fresh copy on every request
inline constexpr int kPartBalanceSlider = 109;     // BALANCE_SLIDER
inline constexpr int kPartGreenLed = 110;          // GREEN_LED
inline constexpr int kPartRedLed = 111;            // RED_LED
inline constexpr int kPartYellowLed = 112;         // YELLOW_LED
inline constexpr int kPartSingleMidiMeter = 113;   // SINGLE_MIDI_METER
inline constexpr int kPartMixerBackground2 = 114;  // MIXER_BACKGROUND2
inline constexpr int kPartOemLogo = 115;           // OEM_LOGO, which does not exist
inline constexpr int kPartMixerSlider = 530;       // MIXER_SLIDER
inline constexpr int kPartVertTics = 531;          // VERT_TICS
inline constexpr int kPartVertSlider = 532;        // VERT_SLIDER
inline constexpr int kPartVertGutter = 533;        // VERT_GUTTER
inline constexpr int kPartSmoothTop = 576;         // SMOOTH_TOP
inline constexpr int kPartSmoothBottom = 592;      // SMOOTH_BOTTOM
inline constexpr int kPartTile = 608;              // TILE

// Digit strips (GetGraphicDigit).
inline constexpr int kDigitsGreen = 768;      // DIGITS_GREEN
inline constexpr int kDigitsCyan = 770;       // DIGITS_CYAN
inline constexpr int kDigitsOff = 772;        // DIGITS_OFF
inline constexpr int kDigits5x9 = 773;        // DIGITS_5X9
inline constexpr int kDigits5x9Off = 774;     // DIGITS_5X9OFF
inline constexpr int kDigits7x13 = 775;       // DIGITS_7X13
inline constexpr int kDigits7x13Off = 776;    // DIGITS_7X13OFF
inline constexpr int kDigitsTinyTics = 777;   // DIGITS_TINYTICS

// The cells of the 10x19 strips: digit d at x 10 d, the colon (2 pixels) at x 100.
inline constexpr int kDigitWidth = 10;
inline constexpr int kDigitHeight = 19;
inline constexpr int kColonX = 100;
inline constexpr int kColonWidth = 2;

// LEDs (GetGraphicLed; each call gives the caller a new bitmap).
inline constexpr int kLedRecordOn = 288;   // LED_RECORD_ON
inline constexpr int kLedRecordOff = 290;  // LED_RECORD_OFF
inline constexpr int kLed8BitOn = 324;     // LED_8BIT_ON
inline constexpr int kLed8BitOff = 326;    // LED_8BIT_OFF
inline constexpr int kLed16BitOn = 328;    // LED_16BIT_ON
inline constexpr int kLed16BitOff = 330;   // LED_16BIT_OFF
inline constexpr int kLedStereoOn = 336;   // LED_STEREO_ON
inline constexpr int kLedStereoOff = 338;  // LED_STEREO_OFF
inline constexpr int kLedMonoOn = 340;     // LED_MONO_ON
inline constexpr int kLedMonoOff = 342;    // LED_MONO_OFF
inline constexpr int kLedHzOn = 344;       // LED_HZ_ON
inline constexpr int kLedHzOff = 346;      // LED_HZ_OFF

// Icons (GetGraphicIcon).
inline constexpr int kIconWave = 1280;  // WAVE_ICON
inline constexpr int kIconMidi = 1282;  // MIDI_ICON
inline constexpr int kIconCd = 1284;    // CD_ICON

// Solid brushes (GetGraphicBrush), by colour.
inline constexpr int kBrushRed = 800;
inline constexpr int kBrushDarkRed = 802;
inline constexpr int kBrushGreen = 804;
inline constexpr int kBrushDarkGreen = 806;
inline constexpr int kBrushYellow = 808;
inline constexpr int kBrushOlive = 810;
inline constexpr int kBrushCyan = 816;
inline constexpr int kBrushTeal = 818;
inline constexpr int kBrushBlue = 820;
inline constexpr int kBrushNavy = 822;
inline constexpr int kBrushMagenta = 824;
inline constexpr int kBrushPurple = 826;

// Pens (GetGraphicPen), solid and one pixel wide.
inline constexpr int kPenRed = 832;
inline constexpr int kPenGreen = 834;
inline constexpr int kPenYellow = 836;
inline constexpr int kPenCyan = 840;
inline constexpr int kPenBlue = 842;
inline constexpr int kPenMagenta = 844;
inline constexpr int kPenGray = 846;

// Fonts (GetGraphicFont).
inline constexpr int kFontApplication = 1024;
inline constexpr int kFontTags = 1026;
inline constexpr int kFontMode = 1028;
inline constexpr int kFontProof = 1032;

}  // namespace rack
