#include "app/ReceiverOptions.h"

#include <charconv>

namespace kavora {

std::optional<ReceiverOptions> parseReceiverOptions(const std::vector<std::string>& args,
                                                    std::ostream& err)
{
    ReceiverOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto& arg = args[i];
        if (arg == "--headless") {
            options.headless = true;
        } else if (arg == "--advertise") {
            options.advertise = true;
        } else if (arg == "--port") {
            if (i + 1 == args.size()) {
                err << "kavora: --port needs a port number (0 for any free port)\n";
                return std::nullopt;
            }
            const auto& text = args[++i];
            unsigned int port = 0;
            auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
            if (error != std::errc() || end != text.data() + text.size() || port > 65535) {
                err << "kavora: '" << text << "' is not a port number (0-65535)\n";
                return std::nullopt;
            }
            options.port = static_cast<std::uint16_t>(port);
        } else {
            err << "kavora: unknown option '" << arg << "' (see kavora --help)\n";
            return std::nullopt;
        }
    }
    return options;
}

} // namespace kavora
