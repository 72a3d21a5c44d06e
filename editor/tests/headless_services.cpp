#include "headless_services.h"

#include <cstring>

namespace gridwright {

std::string HeadlessServices::InputBox(std::string_view prompt, std::string_view defaultAnswer) {
    questions.push_back({std::string(prompt), std::string(defaultAnswer)});
    if (answers.empty()) return {};
    std::string answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}

void HeadlessServices::BlitScreen(const std::uint8_t* bits, const BitmapInfo& info) {
    ++blits;
    blittedInfo = info;
    const auto size = static_cast<std::size_t>(info.bmiHeader.biWidth) *
                      static_cast<std::size_t>(info.bmiHeader.biHeight);
    blittedBits.assign(bits, bits + size);
}

std::uint8_t HeadlessServices::BlittedIndex(int x, int y) const {
    const int width = blittedInfo.bmiHeader.biWidth;
    const int height = blittedInfo.bmiHeader.biHeight;
    return blittedBits.at(static_cast<std::size_t>(height - 1 - y) * width + x);
}

}  // namespace gridwright
