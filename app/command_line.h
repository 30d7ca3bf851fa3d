#pragma once
// Recognition from the command line, without a window:
//   ozmira --recognize "x1|y1|x2|y2" [--kind N] [--language I]
//   ozmira --image FILE [--kind N] [--language I]
//   ozmira --command N    (the running program runs capture command N, as its hotkey would)
// The text goes to standard output (UTF-8, one recognized line per line, LF; card kinds as
// "field<TAB>value"); exit status 0 with the text, 1 with a one-line reason on standard
// error, 2 for bad arguments. --command exits 0 once the running program took the command, 1
// when none runs.
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "net/http_client.h"
#include "platform/screen.h"
#include "platform/text_engine.h"

struct CommandLineRequest {
    bool help = false;
    Text rectangle;  // --recognize
    Text imageFile;  // --image
    std::optional<int> kind;
    std::optional<int> language;
    std::optional<int> command;  // --command, 1 to 5
};

class CommandLine {
public:
    // The backends a recognition needs, made only when one runs.
    struct Backends {
        std::function<platform::Screen&()> screen;
        std::function<platform::TextEngine&()> engine;
        std::function<HttpClient&()> http;
        // Hands command N to the running program; empty when it took it, otherwise one line
        // saying why not (none runs, no session bus).
        std::function<std::string(int command)> sendCommand;
    };

    // Whether the arguments are the command line's rather than the window's.
    static bool handles(const std::vector<std::string>& args);
    // The arguments after the program name; nothing when they are not a valid request,
    // with the reason in error.
    static std::optional<CommandLineRequest> parse(const std::vector<std::string>& args,
                                                   std::string& error);
    static const char* usage();

    CommandLine(AppState& state, Backends backends, std::ostream& out, std::ostream& err);
    int run(const std::vector<std::string>& args);

private:
    int recognize(const CommandLineRequest& request);
    int fail(const std::string& reason);
    int offline(const Bytes& image, int language);
    int cloud(const Bytes& image, int kind, int language);
    int savedKind();
    int savedLanguage();

    AppState& m_state;
    Backends m_backends;
    std::ostream& m_out;
    std::ostream& m_err;
};
