#include "app/command_line.h"

#include "app/control_names.h"
#include "app/language_codes.h"
#include "app/service_config.h"
#include "app/settings_store.h"
#include "capture/capture_commands.h"
#include "capture/image_encoder.h"
#include "capture/ocr_client.h"
#include "capture/offline_recognizer.h"
#include "json/json_document.h"
#include "net/base64.h"
#include "net/text_encoding.h"
#include "platform/codec.h"
#include "platform/files.h"

namespace {

constexpr int kOfflineKind = static_cast<int>(RecognitionKind::Offline);

bool validKind(int kind) {
    return kind >= 1 && kind <= 9;
}

// A whole decimal number and nothing else.
std::optional<int> number(const std::string& s) {
    if (s.empty() || s.size() > 4) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Recognized text goes to a terminal: no control character of a reply reaches it.
std::string printable(const std::string& line) {
    std::string out;
    for (char c : line)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) out += c;
    return out;
}

platform::ScreenImage screenImage(const codec::Image& image) {
    platform::ScreenImage out;
    out.width = image.width;
    out.height = image.height;
    out.pixels.resize(std::size_t(image.width) * image.height);
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* p = image.top + y * image.pitch;
        for (int x = 0; x < image.width; ++x, p += 4)
            out.pixels[std::size_t(y) * image.width + x] =
                0xff000000u | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
    }
    return out;
}

}  // namespace

const char* CommandLine::usage() {
    return "usage: ozmira --recognize \"x1|y1|x2|y2\" [--kind N] [--language I]\n"
           "       ozmira --image FILE [--kind N] [--language I]\n"
           "       ozmira --command N\n"
           "Recognizes a rectangle of the screen, or an image file (PNG, JPEG, BMP), and prints\n"
           "the text, one line per recognized line (card kinds: field<TAB>value).\n"
           "  --command N   has the running Ozmira run capture command N, as its hotkey would:\n"
           "                1 capture, 2 coordinate capture, 3 card front, 4 card back,\n"
           "                5 card coordinates; bind it to a key in the desktop's settings\n"
           "  --kind N      1 accurate, 2 general, 3 handwriting, 4 numbers, 5 offline (this\n"
           "                machine), 6/7 vehicle licence front/back, 8/9 identity card\n"
           "                front/back; default: the kind chosen in the window\n"
           "  --language I  the item of the window's language list, 0 to 20; default: the\n"
           "                one chosen in the window\n"
           "  --help        this text\n"
           "Exit status: 0 text printed (--command: the command was handed over), 1 recognition\n"
           "failed or no Ozmira runs (reason on standard error), 2 bad arguments.\n";
}

bool CommandLine::handles(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--recognize" || a == "--image" || a == "--command" || a == "--help" || a == "-h")
            return true;
    return false;
}

std::optional<CommandLineRequest> CommandLine::parse(const std::vector<std::string>& args,
                                                     std::string& error) {
    CommandLineRequest request;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            request.help = true;
            continue;
        }
        if (a != "--recognize" && a != "--image" && a != "--kind" && a != "--language" &&
            a != "--command") {
            error = "unknown argument: " + a;
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = a + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (a == "--recognize") {
            request.rectangle = value;
        } else if (a == "--image") {
            request.imageFile = value;
        } else {
            const std::optional<int> n = number(value);
            const bool valid = n && (a == "--kind"      ? validKind(*n)
                                     : a == "--command" ? *n >= 1 && *n <= 5
                                                        : *n <= 20);
            if (!valid) {
                error = a + " " + value + ": out of range";
                return std::nullopt;
            }
            (a == "--kind"      ? request.kind
             : a == "--command" ? request.command
                                : request.language) = n;
        }
    }
    if (request.help) return request;
    if (request.command) {
        if (request.rectangle.empty() && request.imageFile.empty() && !request.kind &&
            !request.language)
            return request;
        error = "--command stands alone";
        return std::nullopt;
    }
    if (request.rectangle.empty() == request.imageFile.empty()) {
        error = "give one of --recognize and --image";
        return std::nullopt;
    }
    return request;
}

CommandLine::CommandLine(AppState& state, Backends backends, std::ostream& out, std::ostream& err)
    : m_state(state), m_backends(std::move(backends)), m_out(out), m_err(err) {}

int CommandLine::fail(const std::string& reason) {
    m_err << "ozmira: " << reason << '\n';
    return 1;
}

int CommandLine::run(const std::vector<std::string>& args) {
    std::string error;
    const std::optional<CommandLineRequest> request = parse(args, error);
    if (!request) {
        m_err << "ozmira: " << error << '\n' << usage();
        return 2;
    }
    if (request->help) {
        m_out << usage();
        return 0;
    }
    if (request->command) {
        const std::string why = m_backends.sendCommand ? m_backends.sendCommand(*request->command)
                                                       : std::string("no session bus");
        return why.empty() ? 0 : fail(printable(why));
    }
    return recognize(*request);
}

// As the window would start: its saved choice, or the offline item for a user without a key.
int CommandLine::savedKind() {
    SettingsStore settings(m_state.pathOf("windows data.ini"));
    const Text saved = settings.readText(ctl::组合框识别, "现行选中项");
    if (saved.empty() && SettingsStore::sectionNames(m_state.pathOf("key.ini")).empty())
        return kOfflineKind;
    const int index = text::toInt(saved);
    return index >= 0 && index <= 4 ? index + 1 : 1;
}

int CommandLine::savedLanguage() {
    const int index =
        SettingsStore(m_state.pathOf("windows data.ini")).readIndex(ctl::组合框文字, "现行选中项");
    return index >= 0 && index <= 20 ? index : 0;
}

int CommandLine::recognize(const CommandLineRequest& request) {
    Bytes image;
    if (!request.rectangle.empty()) {
        const auto rect = CaptureCommands::parseCoordinates(request.rectangle);
        if (!rect)
            return fail("bad rectangle: " + request.rectangle + " (x1|y1|x2|y2, x1 < x2, y1 < y2)");
        image = m_backends.screen().capture(rect->left, rect->top, rect->width(), rect->height());
        if (image.empty()) return fail("the screen could not be read");
    } else if (!files::readFile(request.imageFile, image)) {
        return fail("cannot read " + request.imageFile);
    }
    const int kind = request.kind ? *request.kind : savedKind();
    const int language = request.language ? *request.language : savedLanguage();
    return kind == kOfflineKind ? offline(image, language) : cloud(image, kind, language);
}

int CommandLine::offline(const Bytes& file, int language) {
    codec::Image decoded;
    if (!codec::decode(file, decoded)) return fail("not an image (PNG, JPEG or BMP)");
    OfflineRecognizer recognizer(m_backends.engine());
    const OfflineResult result = recognizer.recognize(screenImage(decoded), language);
    if (!result.ok) {
        // The status line's text without its "状态：" prefix.
        const Text prefix = "状态：";
        return fail(result.status.rfind(prefix, 0) == 0 ? result.status.substr(prefix.size())
                                                        : result.status);
    }
    for (const Text& line : result.lines) m_out << printable(line) << '\n';
    return 0;
}

int CommandLine::cloud(const Bytes& file, int kind, int language) {
    Bytes jpeg;
    if (!ImageEncoder::Convert(file, ImageFormat::Jpeg, jpeg))
        return fail("not an image (PNG, JPEG or BMP)");
    ServiceConfig::apply(m_state);
    HttpClient& http = m_backends.http();
    // The first key profile, as the window selects it at startup.
    const Text keyFile = m_state.pathOf("key.ini");
    const std::vector<Text> profiles = SettingsStore::sectionNames(keyFile);
    // The whole path: the program folder is not where a newcomer would look for it.
    if (profiles.empty())
        return fail("no token: no key profile in " + printable(keyFile) +
                    " (or use --kind 5, the offline engine)");
    const Text address = OcrClient::tokenRequestAddress(
        m_state.servicePieces.tokenEndpoint, SettingsStore::read(keyFile, profiles[0], "API Key"),
        SettingsStore::read(keyFile, profiles[0], "Secret Key"));
    JsonDocument token;
    token.Parse(Utf8ToGbk(http.Request(address, static_cast<int>(HttpMethod::Get))));
    const Text accessToken = token.GetText("access_token");
    if (accessToken.empty())
        return fail("no token: the service refused key profile " + profiles[0]);
    const auto endpoints = OcrClient::buildEndpoints(m_state.servicePieces, accessToken, {});
    const Text body = OcrClient::bodyPrefix(kind, accessToken, layout::languages()[language].code) +
                      "image=" + Base64::EncodeUrlEncoded(jpeg);
    JsonDocument reply;
    reply.Parse(
        Utf8ToGbk(http.Request(endpoints[kind - 1], static_cast<int>(HttpMethod::Post), body)));
    if (reply.TypeOf("words_result") == JsonKind::Null) {
        const Text message = reply.GetText("error_msg");
        return fail("service error" + (message.empty() ? Text() : ": " + message));
    }
    if (kind < 6) {
        const int n = reply.GetCount("words_result");
        for (int i = 0; i < n; ++i)
            m_out << printable(reply.GetText("words_result[" + text::fromInt(i) + "].words"))
                  << '\n';
    } else {
        std::vector<Text> names;
        reply.MemberNames(names, "words_result");
        for (const Text& name : names)
            m_out << printable(name) << '\t'
                  << printable(reply.GetText("words_result." + name + ".words")) << '\n';
    }
    return 0;
}
