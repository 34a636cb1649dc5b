// Any bytes as a session file: reading never crashes, and a session it
// opens is written and read back as itself, its models made again hold
// what it held, and its explorer history stays within the model's rules.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/tools/session.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace corvane::tools;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const SessionRead read = readSession(text);
    if (!read.session) {
        if (read.error.empty()) std::abort();  // refused without a reason
        return 0;
    }
    const Session& s = *read.session;
    const SessionRead again = readSession(writeSession(s));
    if (!again.session || !(*again.session == s) || !again.notes.empty()) std::abort();
    if (s.explorer) {
        const ExplorerModel model = explorerModel(*s.explorer);
        if (!(model.history() == s.explorer->history)) std::abort();
        if (!refusal(model.view()).empty()) std::abort();
    }
    if (s.cobweb && !(cobwebPart(cobwebModel(*s.cobweb)) == *s.cobweb)) std::abort();
    return 0;
}
