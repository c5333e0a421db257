// The frame of sectorscope-cli: a table of commands, each a name, its operands,
// its own options, its help and a handler; the options every window command
// shares (--json, --color=WHEN); the exit statuses; the help text, made from
// the table.
//
// A window command is one file that defines a Command and one line in the
// table of cli_main.cpp:
//
//   constexpr OptionSpec kHexOptions[] = {
//       {"--offset", "N[,N...]", "sets the scroll bar to line N / 16, for each N in turn"}};
//   int RunHex(const Invocation& call) { ... }
//   const Command kHexCommand{"hex", "FILE", "The hex viewer after ...", kHexOptions,
//                             kJsonAndColour, RunHex};
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ss::cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitMessage = 1; // a window refused the file or raised a message box
inline constexpr int kExitUsage = 2;   // the file cannot be opened, or the command line is wrong
inline constexpr int kExitOutput = 3;  // stdout could not be written

// A wrong command line. Handlers throw it too (a bad INDEX, say); the program
// prints "sectorscope-cli: REASON (see sectorscope-cli --help)" and exits 2.
struct UsageError {
    std::string reason;
};

// An option of one command: a flag when value is empty, else it takes a value,
// given as "--name VALUE" or "--name=VALUE".
struct OptionSpec {
    std::string_view name;  // "--data"
    std::string_view value; // the value's name in the help, "N"; empty for a flag
    std::string_view help;  // what it does, for --help (lines end with \n between them)
};

// Which of the shared options a command takes.
struct SharedOptions {
    bool json = false;   // --json: the output as one JSON object
    bool colour = false; // --color=always|never|auto: text output in the window's colours
};
inline constexpr SharedOptions kNoSharedOptions{};
inline constexpr SharedOptions kJsonOnly{true, false};
inline constexpr SharedOptions kJsonAndColour{true, true};

// One command line, checked against its command.
struct Invocation {
    std::vector<std::string> operands;
    // The command's own options in the order given; a flag's value is empty.
    std::vector<std::pair<std::string, std::string>> options;
    bool json = false;
    // Text output in colour: --color=always, or auto (the default) when stdout
    // is a terminal, NO_COLOR is unset or empty and TERM is not "dumb".
    bool colour = false;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr;

    bool Has(std::string_view option) const;
    // The value given last for the option, if any.
    std::optional<std::string> Value(std::string_view option) const;
    // Every value given for the option, in order.
    std::vector<std::string> Values(std::string_view option) const;
};

struct Command {
    std::string_view name;
    // The operand names, blank-separated: "FILE INDEX"; a last name ending
    // in "..." takes one or more operands ("FILE NAME..."), in "...]" none
    // or more ("FILE [NAME...]").
    std::string_view operands;
    std::string_view help; // what it prints (lines end with \n between them)
    std::span<const OptionSpec> options;
    SharedOptions shared;
    // Prints to call.out (and call.err); gives the exit status. May throw UsageError.
    int (*run)(const Invocation& call);
};

// Runs the command line against the table: parses it, checks the command's
// operands and options, runs the handler and flushes out. Gives the exit
// status; usage errors, unknown commands and failed output are reported on err.
int RunCommandLine(std::span<const Command* const> commands, const std::vector<std::string>& args,
                   std::ostream& out, std::ostream& err, bool outIsTerminal);

// A whole decimal number ("-" allowed); what names it in the usage error.
std::int64_t ParseWhole(std::string_view text, std::string_view what);

// A message box's text for a terminal: each carriage return a line end, and
// one line end after it.
void PrintMessageText(std::ostream& err, std::string_view text);

} // namespace ss::cli
