#include "tiled_format.h"

#include <charconv>
#include <filesystem>
#include <pugixml.hpp>
#include <sstream>

#include "indexed_png.h"
#include "map_file.h"
#include "renderer.h"
#include "tool_files.h"

namespace gridwright {

namespace {

constexpr int kTilesetColumns = 64;
constexpr int kTileCount = 256 * kPaletteSize;
constexpr int kFirstGid = 1;
constexpr std::uint32_t kFlipFlags = 0xF0000000u;
// A map or tileset file larger than this is not one of ours.
constexpr std::size_t kMaxXmlBytes = 16 << 20;

int TileOf(BoardCell cell) {
    return (cell.Color % kPaletteSize) * 256 + cell.Char;
}

// A UTF-8 document of Tiled 1.8 with its root element, which it gives back.
pugi::xml_node StartDocument(pugi::xml_document& document, const char* root) {
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    pugi::xml_node element = document.append_child(root);
    element.append_attribute("version") = "1.8";
    return element;
}

std::string XmlText(const pugi::xml_document& document) {
    std::ostringstream out;
    document.save(out, " ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

// The picture of the tileset: tile n at column n % 64, row n / 64, each drawn as a board cell.
std::vector<std::uint8_t> TilesetPicture() {
    constexpr int width = kTilesetColumns * kGlyphWidth;
    constexpr int height = kTileCount / kTilesetColumns * kGlyphHeight;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
    const SurfaceView view{pixels.data(), width, width, height};
    for (int tile = 0; tile < kTileCount; ++tile) {
        const CellLook look = BoardCellLook(
            {static_cast<std::uint8_t>(tile % 256), static_cast<std::uint8_t>(tile / 256)});
        DrawGlyph(view, look.glyph, tile % kTilesetColumns, tile / kTilesetColumns, look.foreground,
                  look.background);
    }
    BitmapInfo colours{};
    colours.bmiHeader = SurfaceHeader(width, height);
    SetBrightness(colours, 1.0f);
    return EncodeIndexedPng(view, colours);
}

std::string LayerName(const pugi::xml_node& layer) {
    return "layer \"" + std::string(layer.attribute("name").as_string()) + "\"";
}

FileResult LoadXml(const std::string& path, pugi::xml_document& document) {
    std::vector<std::uint8_t> bytes;
    std::string reason;
    if (!tool_files::ReadInput(path, kMaxXmlBytes, bytes, reason))
        return FileResult::Failure(reason);
    if (bytes.size() > kMaxXmlBytes) return FileResult::Failure("the file is too large for a map");
    const pugi::xml_parse_result parsed = document.load_buffer(bytes.data(), bytes.size());
    if (!parsed)
        return FileResult::Failure("it is not XML (" + std::string(parsed.description()) +
                                   " at byte " + std::to_string(parsed.offset) + ")");
    return {};
}

// The layer's 768 global tile ids, row by row, or the reason there are none.
std::optional<std::vector<std::uint32_t>> LayerIds(const pugi::xml_node& layer,
                                                   std::string& error) {
    const pugi::xml_node data = layer.child("data");
    const std::string encoding = data.attribute("encoding").as_string();
    std::vector<std::uint32_t> ids;
    if (encoding == "csv" && !data.attribute("compression")) {
        std::string_view text = data.text().get();
        while (!text.empty()) {
            const std::size_t comma = text.find(',');
            std::string_view item = text.substr(0, comma);
            while (!item.empty() && std::isspace(static_cast<unsigned char>(item.front())))
                item.remove_prefix(1);
            while (!item.empty() && std::isspace(static_cast<unsigned char>(item.back())))
                item.remove_suffix(1);
            std::uint32_t id = 0;
            const auto [end, failed] = std::from_chars(item.data(), item.data() + item.size(), id);
            if (item.empty() || failed != std::errc() || end != item.data() + item.size()) {
                error = LayerName(layer) + ": \"" + std::string(item) + "\" is not a tile id";
                return std::nullopt;
            }
            ids.push_back(id);
            if (comma == std::string_view::npos) break;
            text.remove_prefix(comma + 1);
        }
    } else if (encoding.empty() && data && !data.attribute("compression")) {
        for (const pugi::xml_node tile : data.children("tile"))
            ids.push_back(tile.attribute("gid").as_uint());
    } else {
        error = LayerName(layer) + ": tile layer data in " +
                (encoding.empty() ? std::string("this") : encoding) +
                " form cannot be read; save the map with the CSV tile layer format";
        return std::nullopt;
    }
    if (ids.size() != kBoardCells) {
        error =
            LayerName(layer) + " holds " + std::to_string(ids.size()) + " tiles; a level has 768";
        return std::nullopt;
    }
    return ids;
}

// Every layer of the map, those inside groups included, in file order. The groups are walked
// through the tree's own links, without recursion: a map may nest them as deep as its file
// allows, far deeper than a call stack goes.
void CollectLayers(const pugi::xml_node& map, std::vector<pugi::xml_node>& layers) {
    pugi::xml_node node = map.first_child();
    while (node) {
        const std::string_view name = node.name();
        if (name == "group" && node.first_child()) {
            node = node.first_child();
            continue;
        }
        if (name == "layer" || name == "objectgroup" || name == "imagelayer")
            layers.push_back(node);
        // On to the next node in file order, climbing out of every group that ends here.
        while (!node.next_sibling() && node.parent() != map) node = node.parent();
        node = node.next_sibling();
    }
}

}  // namespace

std::string EncodeTiledMap(const BoardGrid& board, const std::string& layerName,
                           const std::string& tilesetFile) {
    pugi::xml_document map;
    pugi::xml_node root = StartDocument(map, "map");
    root.append_attribute("orientation") = "orthogonal";
    root.append_attribute("renderorder") = "right-down";
    root.append_attribute("width") = kBoardColumns;
    root.append_attribute("height") = kBoardRows;
    root.append_attribute("tilewidth") = kGlyphWidth;
    root.append_attribute("tileheight") = kGlyphHeight;
    root.append_attribute("infinite") = 0;
    root.append_attribute("nextlayerid") = 2;
    root.append_attribute("nextobjectid") = 1;
    pugi::xml_node tileset = root.append_child("tileset");
    tileset.append_attribute("firstgid") = kFirstGid;
    tileset.append_attribute("source") = tilesetFile.c_str();
    pugi::xml_node layer = root.append_child("layer");
    layer.append_attribute("id") = 1;
    layer.append_attribute("name") = layerName.c_str();
    layer.append_attribute("width") = kBoardColumns;
    layer.append_attribute("height") = kBoardRows;
    pugi::xml_node data = layer.append_child("data");
    data.append_attribute("encoding") = "csv";
    // Every cell gets its tile, an empty one too: its tile shows colour 0, which is not black.
    std::string csv = "\n";
    for (int Y = 0; Y < kBoardRows; ++Y) {
        for (int X = 0; X < kBoardColumns; ++X) {
            csv += std::to_string(kFirstGid + TileOf(board(X, Y)));
            if (X + 1 < kBoardColumns || Y + 1 < kBoardRows) csv += ',';
        }
        csv += '\n';
    }
    data.text() = csv.c_str();
    return XmlText(map);
}

TiledFiles EncodeTiled(const BoardGrid& board, const std::string& layerName,
                       const std::string& tilesetFile, const std::string& pictureFile) {
    TiledFiles files;
    files.map = EncodeTiledMap(board, layerName, tilesetFile);

    pugi::xml_document set;
    pugi::xml_node setRoot = StartDocument(set, "tileset");
    setRoot.append_attribute("name") = "QUORIX glyphs";
    setRoot.append_attribute("tilewidth") = kGlyphWidth;
    setRoot.append_attribute("tileheight") = kGlyphHeight;
    setRoot.append_attribute("tilecount") = kTileCount;
    setRoot.append_attribute("columns") = kTilesetColumns;
    pugi::xml_node image = setRoot.append_child("image");
    image.append_attribute("source") = pictureFile.c_str();
    image.append_attribute("width") = kTilesetColumns * kGlyphWidth;
    image.append_attribute("height") = kTileCount / kTilesetColumns * kGlyphHeight;
    files.tileset = XmlText(set);

    files.picture = TilesetPicture();
    return files;
}

BoardOrError DecodeTiledMap(const std::string& path) {
    pugi::xml_document document;
    if (FileResult loaded = LoadXml(path, document); !loaded)
        return BoardOrError::Failure(loaded.reason);
    const pugi::xml_node map = document.document_element();
    if (std::string_view(map.name()) != "map")
        return BoardOrError::Failure("it is not a Tiled map (its root element is <" +
                                     std::string(map.name()) + ">)");
    if (map.attribute("infinite").as_int() != 0)
        return BoardOrError::Failure("it is an infinite map; a level is 32 x 24 tiles");
    const int width = map.attribute("width").as_int(), height = map.attribute("height").as_int();
    if (width != kBoardColumns || height != kBoardRows)
        return BoardOrError::Failure("the map is " + std::to_string(width) + " x " +
                                     std::to_string(height) + " tiles; a level is 32 x 24");

    // The glyph tileset, held in the map or in the file it names beside the map.
    auto tilesets = map.children("tileset");
    if (std::distance(tilesets.begin(), tilesets.end()) != 1)
        return BoardOrError::Failure("the map must use one tileset, the glyph tileset");
    const pugi::xml_node used = map.child("tileset");
    const std::uint32_t firstGid = used.attribute("firstgid").as_uint();
    pugi::xml_document external;
    pugi::xml_node tileset = used;
    if (const pugi::xml_attribute source = used.attribute("source")) {
        const std::string tilesetPath =
            (std::filesystem::path(path).parent_path() / source.as_string()).string();
        if (FileResult loaded = LoadXml(tilesetPath, external); !loaded)
            return BoardOrError::Failure("its tileset \"" + tilesetPath + "\": " + loaded.reason);
        tileset = external.child("tileset");
    }
    if (firstGid == 0 || tileset.attribute("tilecount").as_int() != kTileCount ||
        tileset.attribute("tilewidth").as_int() != kGlyphWidth ||
        tileset.attribute("tileheight").as_int() != kGlyphHeight)
        return BoardOrError::Failure(
            "its tileset is not the glyph tileset (4096 tiles of 10 x 18 pixels)");

    std::vector<pugi::xml_node> layers;
    CollectLayers(map, layers);
    BoardGrid board;
    bool haveLevel = false;
    for (const pugi::xml_node& layer : layers) {
        const std::string_view kind = layer.name();
        if (kind == "objectgroup" && layer.child("object"))
            return BoardOrError::Failure(LayerName(layer) + " holds objects; a level has none");
        if (kind == "imagelayer" && layer.child("image"))
            return BoardOrError::Failure(LayerName(layer) + " holds a picture; a level has none");
        if (kind != "layer") continue;
        if (layer.attribute("width").as_int() != kBoardColumns ||
            layer.attribute("height").as_int() != kBoardRows)
            return BoardOrError::Failure(LayerName(layer) + " is not 32 x 24 tiles");
        std::string error;
        const std::optional<std::vector<std::uint32_t>> ids = LayerIds(layer, error);
        if (!ids) return BoardOrError::Failure(error);
        for (int Y = 0; Y < kBoardRows; ++Y) {
            for (int X = 0; X < kBoardColumns; ++X) {
                const std::uint32_t id = (*ids)[Y * kBoardColumns + X];
                const std::string place = LayerName(layer) + ", " + CellPlace(X, Y);
                if (haveLevel) {
                    if (id != 0)
                        return BoardOrError::Failure(
                            place + ": the cell has a tile on a second layer; a level has one");
                    continue;
                }
                if (id & kFlipFlags)
                    return BoardOrError::Failure(place + ": the tile is flipped or rotated");
                if (id == 0) continue;  // an empty cell: glyph 0 in colour 0
                if (id < firstGid || id - firstGid >= kTileCount)
                    return BoardOrError::Failure(place + ": tile id " + std::to_string(id) +
                                                 " is not in the glyph tileset");
                const std::uint32_t tile = id - firstGid;
                board(X, Y) = {static_cast<std::uint8_t>(tile % 256),
                               static_cast<std::uint8_t>(tile / 256)};
            }
        }
        haveLevel = true;
    }
    if (!haveLevel) return BoardOrError::Failure("the map has no tile layer");
    return {board, {}};
}

}  // namespace gridwright
