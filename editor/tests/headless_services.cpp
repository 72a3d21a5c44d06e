#include "headless_services.h"

#include <cstring>

#include "indexed_image.h"

namespace gridwright {

std::string HeadlessServices::InputBox(std::string_view prompt, std::string_view defaultAnswer) {
    questions.push_back({std::string(prompt), std::string(defaultAnswer)});
    if (answers.empty()) return {};
    std::string answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

std::optional<std::string> HeadlessServices::ChooseMapFile(std::string_view folder) {
    dialogFolders.emplace_back(folder);
    if (chosenFiles.empty()) return std::nullopt;
    std::string chosen = std::move(chosenFiles.front());
    chosenFiles.pop_front();
    if (chosen.empty()) return std::nullopt;
    return chosen;
}

void HeadlessServices::BlitScreen(const std::uint8_t* bits, const BitmapInfo& info,
                                  const PixelRect& changed) {
    ++blits;
    blittedInfo = info;
    changedRects.push_back(changed);
    const int width = info.bmiHeader.biWidth;
    const int height = info.bmiHeader.biHeight;
    const auto size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    blittedBits.assign(bits, bits + size);
    if (!keepPicture) return;
    // A picture that nothing has drawn yet shows a colour that no palette entry has.
    if (shownPicture.size() != size) shownPicture.assign(size, 0x12345678u);
    IndexedToRgb(bits, info, shownPicture.data(), width, height, width, changed);
    std::vector<std::uint32_t> whole(size);
    IndexedToRgb(bits, info, whole.data(), width, height, width);
    if (whole != shownPicture) ++staleBlits;
}

std::uint8_t HeadlessServices::BlittedIndex(int x, int y) const {
    const int width = blittedInfo.bmiHeader.biWidth;
    const int height = blittedInfo.bmiHeader.biHeight;
    return blittedBits.at(static_cast<std::size_t>(height - 1 - y) * width + x);
}

}  // namespace gridwright
