#include "launcher/prereq/prereq_run.h"

namespace prereq {

std::optional<std::string> read_answer_line(std::FILE* in) {
    std::string line;
    for (;;) {
        int c = std::fgetc(in);
        if (c == EOF) {
            if (line.empty()) return std::nullopt;
            break;
        }
        if (c == '\n') break;
        if (line.size() < kMaxAnswerLength) line.push_back(static_cast<char>(c));
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

Answer classify_answer(const std::optional<std::string>& line) {
    if (!line || line->empty()) return Answer::No;
    switch ((*line)[0]) {
        case 'y':
        case 'Y': return Answer::Yes;
        case 'n':
        case 'N': return Answer::No;
        default: return Answer::AskAgain;
    }
}

}  // namespace prereq
