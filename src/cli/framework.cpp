#include "framework.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <sstream>

namespace ss::cli {

namespace {

constexpr std::string_view kProgram = "sectorscope-cli";

constexpr std::string_view kHelpIntro =
    R"(Usage: sectorscope-cli COMMAND [OPTIONS] FILE ...

Runs the viewer's windows on a JV1, JV3 or DMK disk image, without a screen,
and prints what they show.

Commands:
)";

constexpr std::string_view kHelpShared = R"(
Options:
  --json        One JSON object instead of text, for scripts and jq.
  --color=WHEN  always, never or auto (default): text in the window's colours
                when stdout is a terminal and NO_COLOR is unset.
  -h, --help    Shows this text.
  --version     Shows the program's version.
  --            Ends the options (for a FILE whose name starts with "-").

Exit status:
  0  done
  1  the window refused the file, or raised a message box; its text goes to
     stderr, each line of the box a line
  2  the file cannot be opened, or the command line is wrong; one line on
     stderr says why
  3  the output could not be written
)";

enum class ColourMode { Auto, Always, Never };

// "-" alone and negative numbers are operands, not options.
bool IsOption(std::string_view arg) {
    return arg.size() > 1 && arg[0] == '-' && !(arg[1] >= '0' && arg[1] <= '9');
}

bool IsHelp(std::string_view arg) {
    return arg == "-h" || arg == "--help";
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while ((start = text.find_first_not_of(' ', start)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find(' ', start), text.size());
        words.push_back(text.substr(start, end - start));
        start = end;
    }
    return words;
}

// "one FILE", "FILE and INDEX", "A, B and C".
std::string OperandsPhrase(std::string_view operands) {
    const std::vector<std::string_view> words = Words(operands);
    if (words.size() == 1) {
        return "one " + std::string(words[0]);
    }
    std::string phrase;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) {
            phrase += i + 1 == words.size() ? " and " : ", ";
        }
        phrase += words[i];
    }
    return phrase.empty() ? "no operand" : phrase;
}

// Writes text with every line indented.
void Indented(std::ostream& out, std::string_view text, std::string_view indent) {
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
        out << (line.empty() ? "" : indent) << line << '\n';
    }
}

void PrintHelp(std::ostream& out, std::span<const Command* const> commands) {
    out << kHelpIntro;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const Command& c = *commands[i];
        out << (i > 0 ? "\n" : "") << "  " << c.name;
        for (const OptionSpec& o : c.options) {
            out << " [" << o.name << (o.value.empty() ? "" : " ") << o.value << ']';
        }
        out << (c.shared.json ? " [--json]" : "") << (c.shared.colour ? " [--color=WHEN]" : "")
            << ' ' << c.operands << '\n';
        Indented(out, c.help, "      ");
        for (const OptionSpec& o : c.options) {
            std::string head = std::string(o.name) + (o.value.empty() ? "" : " ");
            head += o.value;
            head.resize(std::max<std::size_t>(head.size() + 2, 14), ' ');
            const std::string indent(6 + head.size(), ' ');
            std::ostringstream body;
            Indented(body, o.help, indent);
            out << "      " << head << body.str().substr(indent.size());
        }
    }
    out << kHelpShared;
}

const Command& FindCommand(std::span<const Command* const> commands, std::string_view name) {
    for (const Command* c : commands) {
        if (c->name == name) {
            return *c;
        }
    }
    throw UsageError{"unknown command '" + std::string(name) + "'"};
}

const OptionSpec* FindOption(const Command& command, std::string_view name) {
    for (const OptionSpec& o : command.options) {
        if (o.name == name) {
            return &o;
        }
    }
    return nullptr;
}

// Whether an option is one the program knows at all: shared, or of any command.
bool IsKnownOption(std::span<const Command* const> commands, std::string_view name) {
    if (name == "--json" || name == "--color") {
        return true;
    }
    return std::any_of(commands.begin(), commands.end(),
                       [&](const Command* c) { return FindOption(*c, name) != nullptr; });
}

ColourMode ParseColourMode(std::string_view when) {
    if (when == "always") {
        return ColourMode::Always;
    }
    if (when == "never") {
        return ColourMode::Never;
    }
    if (when == "auto") {
        return ColourMode::Auto;
    }
    throw UsageError{"--color takes always, never or auto, not '" + std::string(when) + "'"};
}

bool UseColour(ColourMode mode, bool outIsTerminal) {
    if (mode != ColourMode::Auto) {
        return mode == ColourMode::Always;
    }
    const char* noColour = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return outIsTerminal && (noColour == nullptr || *noColour == '\0') &&
           !(term != nullptr && std::string_view(term) == "dumb");
}

struct ParsedLine {
    const Command* command = nullptr;
    Invocation call;
    ColourMode colourMode = ColourMode::Auto;
    bool help = false;
};

// Takes one option of the command (and its value from the next argument when
// it takes one and was not given as --name=VALUE).
void TakeOption(std::span<const Command* const> commands, ParsedLine& line, std::string_view arg,
                const std::vector<std::string>& args, std::size_t& i) {
    const Command& command = *line.command;
    const std::size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const bool hasValue = equals != std::string_view::npos;
    const std::string_view given = hasValue ? arg.substr(equals + 1) : std::string_view();

    const auto notForCommand = [&] {
        if (!IsKnownOption(commands, name)) {
            return UsageError{"unknown option '" + std::string(arg) + "'"};
        }
        return UsageError{std::string(name) + " does not apply to " + std::string(command.name)};
    };
    if (name == "--json") {
        if (!command.shared.json) {
            throw notForCommand();
        }
        if (hasValue) {
            throw UsageError{"--json takes no value"};
        }
        line.call.json = true;
    } else if (name == "--color") {
        if (!command.shared.colour) {
            throw notForCommand();
        }
        if (!hasValue) {
            throw UsageError{"--color takes =always, =never or =auto"};
        }
        line.colourMode = ParseColourMode(given);
    } else if (const OptionSpec* spec = FindOption(command, name)) {
        if (spec->value.empty()) {
            if (hasValue) {
                throw UsageError{std::string(name) + " takes no value"};
            }
            line.call.options.emplace_back(name, std::string());
        } else if (hasValue) {
            line.call.options.emplace_back(name, given);
        } else if (i + 1 < args.size()) {
            line.call.options.emplace_back(name, args[++i]);
        } else {
            throw UsageError{std::string(name) + " takes " + std::string(spec->value)};
        }
    } else {
        throw notForCommand();
    }
}

ParsedLine Parse(std::span<const Command* const> commands, const std::vector<std::string>& args) {
    ParsedLine line;
    // Options before the command name wait until the command is known.
    std::vector<std::string> early;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (!optionsEnded && IsHelp(arg)) {
            line.help = true;
        } else if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && IsOption(arg)) {
            if (line.command == nullptr) {
                early.emplace_back(arg);
            } else {
                TakeOption(commands, line, arg, args, i);
            }
        } else if (line.command == nullptr && !line.help) {
            if (arg == "help") {
                line.help = true;
                continue;
            }
            line.command = &FindCommand(commands, arg);
            for (std::size_t e = 0; e < early.size(); ++e) {
                TakeOption(commands, line, early[e], early, e);
            }
        } else {
            line.call.operands.emplace_back(arg);
        }
    }
    return line;
}

} // namespace

bool Invocation::Has(std::string_view option) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const auto& o) { return o.first == option; });
}

std::optional<std::string> Invocation::Value(std::string_view option) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == option) {
            return it->second;
        }
    }
    return std::nullopt;
}

std::vector<std::string> Invocation::Values(std::string_view option) const {
    std::vector<std::string> values;
    for (const auto& [name, value] : options) {
        if (name == option) {
            values.push_back(value);
        }
    }
    return values;
}

std::int64_t ParseWhole(std::string_view text, std::string_view what) {
    std::int64_t n = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, n);
    if (text.empty() || ec != std::errc() || ptr != end) {
        throw UsageError{std::string(what) + " must be a whole number, not '" + std::string(text) +
                         "'"};
    }
    return n;
}

void PrintMessageText(std::ostream& err, std::string_view text) {
    std::string lines(text);
    std::replace(lines.begin(), lines.end(), '\r', '\n');
    err << lines << '\n';
}

int RunCommandLine(std::span<const Command* const> commands, const std::vector<std::string>& args,
                   std::ostream& out, std::ostream& err, bool outIsTerminal) {
    int status = kExitDone;
    try {
        ParsedLine line = Parse(commands, args);
        if (line.help) {
            PrintHelp(out, commands);
        } else if (line.command == nullptr) {
            throw UsageError{"no command given"};
        } else {
            const Command& command = *line.command;
            // A last operand "NAME..." stands for one or more, "[NAME...]"
            // for none or more.
            const std::vector<std::string_view> words = Words(command.operands);
            const bool optional = !words.empty() && words.back().ends_with("...]");
            const bool more = optional || (!words.empty() && words.back().ends_with("..."));
            const std::size_t least = words.size() - (optional ? 1 : 0);
            if (more ? line.call.operands.size() < least
                     : line.call.operands.size() != words.size()) {
                throw UsageError{std::string(command.name) + " takes " +
                                 OperandsPhrase(command.operands)};
            }
            line.call.colour = !line.call.json && UseColour(line.colourMode, outIsTerminal);
            line.call.out = &out;
            line.call.err = &err;
            status = command.run(line.call);
        }
    } catch (const UsageError& e) {
        err << kProgram << ": " << e.reason << " (see " << kProgram << " --help)\n";
        return kExitUsage;
    }
    out.flush();
    if (!out) {
        err << kProgram << ": the output could not be written\n";
        return kExitOutput;
    }
    return status;
}

} // namespace ss::cli
