#include "platform/MessageCatalogue.h"

#include <algorithm>
#include <vector>

namespace zelvo {

namespace {

// The marker number at `pos` ("%1".."%9"), or 0.
int MarkerAt(std::string_view text, std::size_t pos) {
    if (pos + 1 >= text.size() || text[pos] != '%') return 0;
    const char digit = text[pos + 1];
    return digit >= '1' && digit <= '9' ? digit - '0' : 0;
}

// Backtracking match of pattern[p..] against message[m..]; a marker takes
// the shortest text that lets the rest match.
bool MatchFrom(std::string_view pattern, std::size_t p, std::string_view message, std::size_t m,
               std::string (&values)[9]) {
    while (p < pattern.size()) {
        if (const int marker = MarkerAt(pattern, p)) {
            for (std::size_t end = m + 1; end <= message.size(); ++end) {
                if (MatchFrom(pattern, p + 2, message, end, values)) {
                    values[marker - 1] = std::string(message.substr(m, end - m));
                    return true;
                }
            }
            return false;
        }
        if (m >= message.size() || pattern[p] != message[m]) return false;
        ++p;
        ++m;
    }
    return m == message.size();
}

}  // namespace

const TMessageCatalogue* FindMessageCatalogue(std::string_view language) {
    for (const TMessageCatalogue& catalogue : MessageCatalogues()) {
        if (language == catalogue.Language) return &catalogue;
    }
    return nullptr;
}

std::string FillMessage(std::string_view pattern, std::span<const std::string> values) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const int marker = MarkerAt(pattern, i);
        if (marker && std::size_t(marker) <= values.size()) {
            out += values[std::size_t(marker) - 1];
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

bool MatchMessage(std::string_view pattern, std::string_view message, std::string (&values)[9]) {
    return MatchFrom(pattern, 0, message, 0, values);
}

std::string TranslateMessage(std::string_view message, std::span<const char* const> sources,
                             const std::function<std::string(const char* source)>& translate) {
    // A message with a reason on lines of its own (a decoder that crashed):
    // each line is a message of its own.
    if (const std::size_t newline = message.find('\n'); newline != std::string_view::npos) {
        return TranslateMessage(message.substr(0, newline), sources, translate) + '\n' +
               TranslateMessage(message.substr(newline + 1), sources, translate);
    }
    for (const char* source : sources) {
        std::string values[9];
        if (!MatchMessage(source, message, values)) continue;
        const std::string translation = translate(source);
        if (translation.empty()) break;
        return FillMessage(translation, values);
    }
    return std::string(message);
}

std::string TranslateMessage(std::string_view message, std::string_view language) {
    const TMessageCatalogue* catalogue = FindMessageCatalogue(language);
    if (!catalogue) return std::string(message);
    std::vector<const char*> sources;
    for (const TMessageEntry& entry : catalogue->Entries) sources.push_back(entry.Source);
    return TranslateMessage(message, sources, [catalogue](const char* source) {
        const auto& entries = catalogue->Entries;
        const auto it = std::lower_bound(entries.begin(), entries.end(), std::string_view(source),
                                         [](const TMessageEntry& e, std::string_view s) { return e.Source < s; });
        return it != entries.end() && it->Source == std::string_view(source) ? std::string(it->Translation)
                                                                              : std::string();
    });
}

}  // namespace zelvo
