#include "gtk_translate.h"

#include <glib.h>

#include <algorithm>
#include <array>
#include <cstdlib>

#include "bitmap_info.h"

namespace gridwright {

std::int16_t PressedButton(guint gdkButton) {
    switch (gdkButton) {
        case GDK_BUTTON_PRIMARY:
            return 1;
        case GDK_BUTTON_SECONDARY:
            return 2;
        case GDK_BUTTON_MIDDLE:
            return 4;
        default:
            return 0;
    }
}

std::int16_t HeldButtons(guint state) {
    return static_cast<std::int16_t>(((state & GDK_BUTTON1_MASK) ? 1 : 0) +
                                     ((state & GDK_BUTTON3_MASK) ? 2 : 0) +
                                     ((state & GDK_BUTTON2_MASK) ? 4 : 0));
}

std::int16_t ModifierKeys(guint state) {
    return static_cast<std::int16_t>(((state & GDK_SHIFT_MASK) ? 1 : 0) +
                                     ((state & GDK_CONTROL_MASK) ? 2 : 0) +
                                     ((state & GDK_MOD1_MASK) ? 4 : 0));
}

std::string MnemonicLabel(std::string_view caption) {
    std::string label;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        const char c = caption[i];
        if (c == '&' && i + 1 < caption.size()) {
            ++i;
            label += caption[i] == '&' ? "&" : std::string{'_', caption[i]};
        } else if (c == '_') {
            label += "__";
        } else {
            label += c;
        }
    }
    return label;
}

std::string JoinArguments(std::span<char* const> arguments) {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) text += ' ';
        text += arguments[i];
    }
    return text;
}

std::string DisplayText(std::string_view text) {
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
        return std::string{text};
    }
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string result{valid};
    g_free(valid);
    return result;
}

std::string InputBoxAnswer(std::string_view entered, std::string_view defaultAnswer) {
    if (entered == DisplayText(defaultAnswer)) return std::string{defaultAnswer};
    return std::string{entered};
}

void IndexedToRgb24(const std::uint8_t* bits, const BitmapInfo& info, std::uint32_t* target,
                    int targetWidth, int targetHeight, int targetStridePixels) {
    const BitmapInfoHeader& header = info.bmiHeader;
    if (header.biBitCount != 8 || header.biWidth <= 0 || header.biHeight == 0) return;

    // An 8-bit table with biClrUsed 0 means all 256 entries.
    const std::uint32_t colours =
        std::min<std::uint32_t>(header.biClrUsed == 0 ? 256 : header.biClrUsed, 256);
    std::array<std::uint32_t, 256> lut{};  // unannounced indices stay black
    for (std::uint32_t i = 0; i < colours; ++i) {
        const RgbQuad& q = info.bmiColors[i];
        lut[i] = (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
    }

    const int width = header.biWidth;
    const int height = std::abs(header.biHeight);
    const bool bottomUp = header.biHeight > 0;
    const int sourceStride = (width + 3) & ~3;  // rows padded to four bytes
    const int rows = std::min(height, targetHeight);
    const int columns = std::min(width, targetWidth);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* source =
            bits + static_cast<std::size_t>(bottomUp ? height - 1 - y : y) * sourceStride;
        std::uint32_t* out = target + static_cast<std::size_t>(y) * targetStridePixels;
        for (int x = 0; x < columns; ++x) out[x] = lut[source[x]];
    }
}

}  // namespace gridwright
