#include "ansi_art_sauce.h"

#include <cstdio>
#include <ctime>

#include "code_page_437.h"
#include "utf8.h"

namespace gridwright {

namespace {

constexpr std::uint8_t kEndOfFile = 26;
constexpr std::size_t kCommentLineBytes = 64;

void PutField(std::vector<std::uint8_t>& out, const std::string& text, std::size_t size, char pad) {
    for (std::size_t i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(i < text.size() ? text[i] : pad));
}

void PutNumber(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t Number(std::span<const std::uint8_t> at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i) value |= static_cast<std::uint32_t>(at[i]) << (8 * i);
    return value;
}

// A field's text without the blanks (or zero bytes) that pad it.
std::string Field(std::span<const std::uint8_t> at, std::size_t size) {
    std::string text(at.begin(), at.begin() + static_cast<std::ptrdiff_t>(size));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

}  // namespace

void AppendSauce(std::vector<std::uint8_t>& file, SauceRecord record) {
    record.fileSize = static_cast<std::uint32_t>(file.size());
    file.push_back(kEndOfFile);
    PutField(file, "SAUCE00", 7, ' ');
    PutField(file, record.title, kSauceTitleBytes, ' ');
    PutField(file, record.author, kSauceAuthorBytes, ' ');
    PutField(file, record.group, kSauceGroupBytes, ' ');
    PutField(file, record.date, 8, ' ');
    PutNumber(file, record.fileSize, 4);
    file.push_back(record.dataType);
    file.push_back(record.fileType);
    for (const std::uint16_t info : {record.tinfo1, record.tinfo2, record.tinfo3, record.tinfo4})
        PutNumber(file, info, 2);
    file.push_back(0);  // no comment block
    file.push_back(record.flags);
    PutField(file, record.fontName, 22, '\0');
}

SaucedFile SplitSauce(std::span<const std::uint8_t> file) {
    SaucedFile split{file, std::nullopt};
    if (file.size() < kSauceBytes) return split;
    const std::span<const std::uint8_t> at = file.last(kSauceBytes);
    if (Field(at, 5) != "SAUCE") return split;
    SauceRecord record;
    record.title = Field(at.subspan(7), kSauceTitleBytes);
    record.author = Field(at.subspan(42), kSauceAuthorBytes);
    record.group = Field(at.subspan(62), kSauceGroupBytes);
    record.date = Field(at.subspan(82), 8);
    record.fileSize = Number(at.subspan(90), 4);
    record.dataType = at[94];
    record.fileType = at[95];
    record.tinfo1 = static_cast<std::uint16_t>(Number(at.subspan(96), 2));
    record.tinfo2 = static_cast<std::uint16_t>(Number(at.subspan(98), 2));
    record.tinfo3 = static_cast<std::uint16_t>(Number(at.subspan(100), 2));
    record.tinfo4 = static_cast<std::uint16_t>(Number(at.subspan(102), 2));
    record.comments = at[104];
    record.flags = at[105];
    record.fontName = Field(at.subspan(106), 22);

    std::size_t end = file.size() - kSauceBytes;
    // The comment block, when the record counts one and it is there.
    const std::size_t block = 5 + kCommentLineBytes * record.comments;
    if (record.comments > 0 && end >= block && Field(file.subspan(end - block, 5), 5) == "COMNT")
        end -= block;
    // The picture's own size where the record gives one that fits; else up to the end-of-file
    // byte.
    if (record.fileSize > 0 && record.fileSize < end && file[record.fileSize] == kEndOfFile)
        end = record.fileSize;
    else if (end > 0 && file[end - 1] == kEndOfFile)
        --end;
    split.picture = file.first(end);
    split.record = std::move(record);
    return split;
}

std::string SauceDateToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%Y%m%d", &local);
    return text;
}

std::optional<std::string> SauceText(const std::string& utf8, std::size_t limit,
                                     std::string& problem) {
    const std::optional<std::u32string> characters = DecodeUtf8(utf8);
    if (!characters) {
        problem = "is not UTF-8 text";
        return std::nullopt;
    }
    std::string bytes;
    for (const char32_t c : *characters) {
        const std::optional<std::uint8_t> code = CodePage437Code(c);
        // Control characters would be taken as such by the programs that show the record.
        if (!code || c < 0x20 || c == 0x7F) {
            char shown[16];
            std::snprintf(shown, sizeof shown, "U+%04X", static_cast<unsigned>(c));
            problem =
                std::string("holds the character ") + shown + ", which is not in code page 437";
            return std::nullopt;
        }
        bytes += static_cast<char>(*code);
    }
    if (bytes.size() > limit) {
        problem = "has " + std::to_string(bytes.size()) + " characters; the field holds " +
                  std::to_string(limit);
        return std::nullopt;
    }
    return bytes;
}

}  // namespace gridwright
