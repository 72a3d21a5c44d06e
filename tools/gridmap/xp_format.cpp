#include "xp_format.h"

#include <zlib.h>

#include <array>
#include <string>

#include "renderer.h"

namespace gridwright {

namespace {

constexpr std::int32_t kVersion = -1;
constexpr int kMaxLayers = 9;
constexpr std::size_t kCellBytes = 4 + 3 + 3;
// No picture we can read decompresses to more than this: nine layers of 32 x 24 cells.
constexpr std::size_t kMaxPictureBytes = 8 + kMaxLayers * (8 + kBoardCells * kCellBytes);

constexpr std::array<std::uint8_t, 3> kBlack{0, 0, 0};
constexpr std::array<std::uint8_t, 3> kTransparent{255, 0, 255};

void PutInt(std::vector<std::uint8_t>& out, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

// Decompressed bytes, read from the front.
struct Reader {
    std::span<const std::uint8_t> bytes;
    std::size_t at = 0;

    bool Has(std::size_t count) const { return bytes.size() - at >= count; }
    std::int32_t Int() {
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(bytes[at++]) << (8 * i);
        return static_cast<std::int32_t>(bits);
    }
    std::array<std::uint8_t, 3> Rgb() {
        const std::array<std::uint8_t, 3> rgb{bytes[at], bytes[at + 1], bytes[at + 2]};
        at += 3;
        return rgb;
    }
};

// The gzip data decompressed, one member after another as gzread reads them; nothing and the
// reason in error when it is not whole gzip data or decompresses to more than limit bytes.
std::optional<std::vector<std::uint8_t>> Gunzip(std::span<const std::uint8_t> file,
                                                std::size_t limit, std::string& error) {
    std::vector<std::uint8_t> out;
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        error = "out of memory";
        return std::nullopt;
    }
    stream.next_in = const_cast<Bytef*>(file.data());
    stream.avail_in = static_cast<uInt>(file.size());
    std::array<std::uint8_t, 16384> chunk;
    int result = Z_OK;
    while (result != Z_STREAM_END || stream.avail_in > 0) {
        if (result == Z_STREAM_END) inflateReset(&stream);
        stream.next_out = chunk.data();
        stream.avail_out = chunk.size();
        result = inflate(&stream, Z_NO_FLUSH);
        out.insert(out.end(), chunk.data(), stream.next_out);
        if (out.size() > limit) {
            error = "it holds more than a picture of nine 32 x 24 layers";
            break;
        }
        if (result == Z_BUF_ERROR ||
            (result == Z_OK && stream.avail_in == 0 && stream.avail_out > 0)) {
            error = "the gzip data ends too early (the file is cut short)";
            break;
        }
        if (result != Z_OK && result != Z_STREAM_END) {
            error = std::string("it is not valid gzip data (") +
                    (stream.msg != nullptr ? std::string(stream.msg)
                                           : "zlib error " + std::to_string(result)) +
                    ")";
            break;
        }
    }
    inflateEnd(&stream);
    if (!error.empty()) return std::nullopt;
    return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeXp(const BoardGrid& board) {
    std::vector<std::uint8_t> picture;
    PutInt(picture, kVersion);
    PutInt(picture, 1);
    PutInt(picture, kBoardColumns);
    PutInt(picture, kBoardRows);
    for (int X = 0; X < kBoardColumns; ++X) {
        for (int Y = 0; Y < kBoardRows; ++Y) {
            const BoardCell cell = board(X, Y);
            PutInt(picture, cell.Char);
            const Rgb color = kBasePalette[cell.Color % kPaletteSize];
            for (const std::int16_t component : {color.red, color.green, color.blue})
                picture.push_back(static_cast<std::uint8_t>(component));
            picture.insert(picture.end(), kBlack.begin(), kBlack.end());
        }
    }

    // The gzip wrapper, as gzopen writes it.
    z_stream stream{};
    std::vector<std::uint8_t> file(compressBound(static_cast<uLong>(picture.size())) + 32);
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    stream.next_in = picture.data();
    stream.avail_in = static_cast<uInt>(picture.size());
    stream.next_out = file.data();
    stream.avail_out = static_cast<uInt>(file.size());
    const int result = deflate(&stream, Z_FINISH);
    file.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) return {};
    return file;
}

BoardOrError DecodeXp(std::span<const std::uint8_t> file) {
    std::string error;
    const std::optional<std::vector<std::uint8_t>> picture = Gunzip(file, kMaxPictureBytes, error);
    if (!picture) return BoardOrError::Failure(error);
    Reader in{*picture};
    if (!in.Has(8)) return BoardOrError::Failure("the picture ends before its layer count");
    in.Int();  // the version: every version so far lays out its layers alike
    const std::int32_t layers = in.Int();
    if (layers < 1 || layers > kMaxLayers)
        return BoardOrError::Failure("it has " + std::to_string(layers) +
                                     " layers; a picture has 1 to 9");

    BoardGrid board;
    for (int layer = 1; layer <= layers; ++layer) {
        const std::string name = "layer " + std::to_string(layer);
        if (!in.Has(8)) return BoardOrError::Failure("the picture ends before " + name);
        const std::int32_t width = in.Int(), height = in.Int();
        if (width != kBoardColumns || height != kBoardRows)
            return BoardOrError::Failure(name + " is " + std::to_string(width) + " x " +
                                         std::to_string(height) + " cells; a level is 32 x 24");
        if (!in.Has(kBoardCells * kCellBytes))
            return BoardOrError::Failure("the picture ends inside " + name);
        for (int X = 0; X < kBoardColumns; ++X) {
            for (int Y = 0; Y < kBoardRows; ++Y) {
                const std::int32_t glyph = in.Int();
                const auto [red, green, blue] = in.Rgb();
                const std::array<std::uint8_t, 3> background = in.Rgb();
                const std::string place = name + ", " + CellPlace(X, Y);
                if (layer > 1) {
                    // Upper layers only cover the first; a level has nothing to put there.
                    if (background != kTransparent || (glyph != 0 && glyph != ' '))
                        return BoardOrError::Failure(
                            place + ": the cell has content on a second layer; a level has one");
                    continue;
                }
                if (glyph < 0 || glyph > 255)
                    return BoardOrError::Failure(place + ": glyph " + std::to_string(glyph) +
                                                 " is not in code page 437");
                if (background != kBlack && background != kTransparent)
                    return BoardOrError::Failure(
                        place + ": a background other than black cannot be kept in a map");
                board(X, Y) = {static_cast<std::uint8_t>(glyph),
                               NearestPaletteColor(red, green, blue)};
            }
        }
    }
    if (in.Has(1)) return BoardOrError::Failure("the picture has data after its last layer");
    return {board, {}};
}

}  // namespace gridwright
