#include "launcher/base/console.h"

namespace base {

std::vector<std::string_view> console_pieces(std::string_view text, std::size_t piece_bytes) {
    std::vector<std::string_view> pieces;
    while (!text.empty()) {
        std::size_t length = text.size() <= piece_bytes ? text.size() : piece_bytes;
        while (length < text.size() && length > 1 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
        pieces.push_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return pieces;
}

}  // namespace base
