// The parser: one walk over the arguments against the command tree, the
// checks that need the whole command line, then the reader.
//
// The walk reads the arguments command by command, as the conventional
// parsers do: it refuses a value given to a flag (`--json=true`), an option
// whose value is missing or looks like an option (`--name -x`; `--name=-x` is
// a value), unknown options and subcommands (naming the most similar one) and
// surplus arguments; it answers the `help` subcommand, and a command line that
// ends at a group, or holds nothing, with that command's help; it stops at
// -h, --help or --version, reading nothing after them.

#include "command_line/command_line.hpp"

#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include <fmt/format.h>

#include "command_line/command_readers.hpp"
#include "command_line/command_tree.hpp"
#include "command_line/help_format.hpp"
#include "command_line/similar_name.hpp"
#include "text/unicode_text.hpp"

namespace vevizovuvazavad {
namespace {

namespace tree = command_tree;
using tree::Argument;
using tree::Command;
using tree::CommandPath;

// The help of a command, as the command line asked for it.
struct HelpRequest {
    enum class Form {
        summary,          // of -h
        full,             // of --help and the `help` subcommand: with the long about text
        help_subcommand,  // of `help` itself, below the command
    };
    CommandPath command_path;
    Form form;
    // In place of the subcommand that a command line ending at a group
    // lacks: on stderr with status 2, as a usage error.
    bool in_place_of_subcommand = false;
};

// Where the walk ends before the checks that need the whole command line.
using Ending = std::variant<HelpRequest, UsageError>;

bool looks_like_option(std::string_view argument) { return argument.size() > 1 && argument.front() == '-'; }

std::string program_from(std::span<const std::string> args) {
    if (args.empty()) return std::string(tree::program_name);
    const std::string& path = args.front();
    const std::string name = path.substr(path.find_last_of('/') + 1);
    return name.empty() ? std::string(tree::program_name) : text::lossy_utf8(name);
}

std::string with_tip(std::string message, std::string_view kind, const std::optional<std::string>& similar) {
    if (similar) message += fmt::format("\n\n  tip: a similar {} exists: '{}'", kind, *similar);
    return message;
}

std::string unrecognized_subcommand(const Command& command, std::string_view name) {
    return with_tip(fmt::format("unrecognized subcommand '{}'", text::lossy_utf8(name)), "subcommand",
                    most_similar(name, tree::subcommand_names(command)));
}

// The long options of the command at the end of `path`, in the order in
// which a suggestion prefers them.
std::vector<std::string> long_names(const CommandPath& path) {
    std::vector<std::string> names{"help"};
    if (path.size() == 1) names.emplace_back("version");
    for (const Argument& argument : path.back()->arguments) {
        if (!argument.is_positional()) names.emplace_back(argument.option.substr(2));
    }
    names.emplace_back(tree::json_flag.substr(2));
    return names;
}

std::string unexpected_argument(const CommandPath& path, std::string_view argument) {
    std::optional<std::string> similar;
    if (argument.starts_with("--")) {
        const std::string_view typed = argument.substr(2);
        if (auto name = most_similar(typed.substr(0, typed.find('=')), long_names(path))) similar = "--" + *name;
    }
    return with_tip(fmt::format("unexpected argument '{}' found", text::lossy_utf8(argument)), "argument", similar);
}

// The `help` subcommand of the command at the end of `path`: the help of the
// command that `names` name below it.
Ending answer_help(CommandPath path, std::span<const std::string> names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Command& command = *path.back();
        if (names[i] == "help" && !command.subcommands.empty()) {
            if (i + 1 < names.size()) {
                return UsageError{fmt::format("unexpected argument '{}' found", text::lossy_utf8(names[i + 1])),
                                  std::move(path)};
            }
            return HelpRequest{std::move(path), HelpRequest::Form::help_subcommand};
        }
        const Command* sub = tree::find_subcommand(command, names[i]);
        if (sub == nullptr) return UsageError{unrecognized_subcommand(command, names[i]), std::move(path)};
        path.push_back(sub);
    }
    return HelpRequest{std::move(path), HelpRequest::Form::full};
}

// What a word that looks like an option names at one command.
struct Option {
    enum class Is { argument, json, help, long_help, version } is;
    const Argument* argument = nullptr;  // with Is::argument
    bool takes_value() const { return argument != nullptr && !argument->is_flag(); }
};

std::optional<Option> find_option(const CommandPath& path, std::string_view name) {
    if (name == "-h") return Option{Option::Is::help};
    if (name == "--help") return Option{Option::Is::long_help};
    if (name == tree::json_flag) return Option{Option::Is::json};
    if (path.size() == 1 && (name == "-V" || name == "--version")) return Option{Option::Is::version};
    for (const Argument& argument : path.back()->arguments) {
        if (!argument.is_positional() && argument.option == name) return Option{Option::Is::argument, &argument};
    }
    return std::nullopt;
}

// The values given to one command of the command line.
struct Given {
    explicit Given(const Command& command) : values(command.arguments.size()) {}
    std::vector<std::vector<std::string>> values;  // by argument, in declaration order
    std::size_t json = 0;                          // occurrences of --json
};

// A command line walked through, and the checks that need all of it.
class CommandLine {
public:
    CommandLine(std::string program, std::span<const std::string> arguments);

    // Reads the arguments to their end, or to -h, --help or --version; ends
    // before that at the `help` subcommand, at a usage error, and at a group
    // given nothing, the top level of an empty command line included.
    std::optional<Ending> walk();

    // Where the walk stopped: -h, --help or --version; none when it read
    // every argument.
    enum class Stop { none, help, long_help, version };
    Stop stop() const { return stop_; }
    // The help that -h or --help asked for.
    HelpRequest help() const {
        return {path_, stop_ == Stop::long_help ? HelpRequest::Form::full : HelpRequest::Form::summary};
    }

    // An option or flag given twice to one command, the top level first.
    std::optional<UsageError> repeated() const;
    // The subcommand of the group named last, or the required arguments of
    // the command named last, when they are missing.
    std::optional<UsageError> missing() const;

    ParsedArguments parsed() const;

private:
    bool is_group() const { return !path_.back()->subcommands.empty(); }
    UsageError refusal(std::string message) const { return {std::move(message), path_}; }
    std::optional<UsageError> option(const std::string& argument);
    std::optional<Ending> subcommand(const std::string& name);
    std::optional<UsageError> positional(const std::string& argument);
    void take(const Argument& argument, std::string value);

    std::string program_;  // as usage lines and messages name it
    std::span<const std::string> arguments_;
    std::size_t next_ = 0;
    CommandPath path_{&tree::root()};  // the commands named, the top level first
    std::vector<Given> given_;         // to each of them
    std::size_t own_arguments_ = 0;    // of the command named last
    std::size_t positionals_ = 0;      // taken by the command named last
    bool positionals_only_ = false;    // after `--`
    Stop stop_ = Stop::none;
};

CommandLine::CommandLine(std::string program, std::span<const std::string> arguments)
    : program_(std::move(program)), arguments_(arguments) {
    given_.emplace_back(*path_.back());
}

std::optional<Ending> CommandLine::walk() {
    while (next_ < arguments_.size() && stop_ == Stop::none) {
        const std::string& argument = arguments_[next_++];
        ++own_arguments_;
        std::optional<Ending> ending;
        if (!positionals_only_ && looks_like_option(argument)) {
            ending = option(argument);
        } else if (is_group()) {
            ending = subcommand(argument);
        } else {
            ending = positional(argument);
        }
        if (ending) return ending;
    }
    if (stop_ == Stop::none && is_group() && own_arguments_ == 0) {
        return HelpRequest{path_, HelpRequest::Form::summary, true};
    }
    return std::nullopt;
}

std::optional<UsageError> CommandLine::option(const std::string& argument) {
    if (argument == "--") {
        if (is_group()) return refusal(unexpected_argument(path_, argument));
        positionals_only_ = true;
        return std::nullopt;
    }
    const bool is_long = argument.starts_with("--");
    const std::size_t equals = is_long ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const auto option = is_long || name.size() == 2 ? find_option(path_, name) : std::nullopt;
    if (!option) return refusal(unexpected_argument(path_, argument));

    if (equals != std::string::npos) {
        std::string value = argument.substr(equals + 1);
        if (!option->takes_value()) {
            return refusal(fmt::format("unexpected value '{}' for '{}' found; no more were expected",
                                       text::lossy_utf8(value), name));
        }
        take(*option->argument, std::move(value));
        return std::nullopt;
    }
    switch (option->is) {
    case Option::Is::help: stop_ = Stop::help; return std::nullopt;
    case Option::Is::long_help: stop_ = Stop::long_help; return std::nullopt;
    case Option::Is::version: stop_ = Stop::version; return std::nullopt;
    case Option::Is::json: ++given_.back().json; return std::nullopt;
    case Option::Is::argument: break;
    }
    if (!option->takes_value()) {
        take(*option->argument, {});
        return std::nullopt;
    }
    if (next_ == arguments_.size() || looks_like_option(arguments_[next_])) {
        std::string message =
            fmt::format("a value is required for '{}' but none was supplied", tree::display_name(*option->argument));
        if (next_ < arguments_.size()) {
            message += fmt::format("\n\n  tip: to pass '{0}' as a value, use '{1}={0}'",
                                   text::lossy_utf8(arguments_[next_]), name);
        }
        return refusal(std::move(message));
    }
    take(*option->argument, arguments_[next_++]);
    return std::nullopt;
}

std::optional<Ending> CommandLine::subcommand(const std::string& name) {
    if (name == "help") return answer_help(path_, arguments_.subspan(next_));
    const Command* sub = tree::find_subcommand(*path_.back(), name);
    if (sub == nullptr) return refusal(unrecognized_subcommand(*path_.back(), name));
    path_.push_back(sub);
    given_.emplace_back(*sub);
    own_arguments_ = 0;
    return std::nullopt;
}

std::optional<UsageError> CommandLine::positional(const std::string& argument) {
    std::size_t seen = 0;
    for (const Argument& declared : path_.back()->arguments) {
        if (!declared.is_positional() || seen++ < positionals_) continue;
        ++positionals_;
        take(declared, argument);
        return std::nullopt;
    }
    return refusal(unexpected_argument(path_, argument));
}

void CommandLine::take(const Argument& argument, std::string value) {
    const auto index = static_cast<std::size_t>(&argument - path_.back()->arguments.data());
    given_.back().values[index].push_back(std::move(value));
}

std::optional<UsageError> CommandLine::repeated() const {
    for (std::size_t level = 0; level < path_.size(); ++level) {
        const auto arguments = path_[level]->arguments;
        std::optional<std::string> repeated;
        for (std::size_t i = 0; i < arguments.size() && !repeated; ++i) {
            if (!arguments[i].is_repeatable() && given_[level].values[i].size() > 1) {
                repeated = tree::display_name(arguments[i]);
            }
        }
        if (!repeated && given_[level].json > 1) repeated = tree::json_flag;
        if (repeated) {
            return UsageError{fmt::format("the argument '{}' cannot be used multiple times", *repeated),
                              CommandPath(path_.begin(), path_.begin() + static_cast<std::ptrdiff_t>(level) + 1)};
        }
    }
    return std::nullopt;
}

std::optional<UsageError> CommandLine::missing() const {
    const Command& command = *path_.back();
    if (is_group()) {
        std::vector<std::string_view> names{program_};
        for (std::size_t level = 1; level < path_.size(); ++level) names.push_back(path_[level]->name);
        return refusal(fmt::format("'{}' requires a subcommand but one was not provided\n  [subcommands: {}]",
                                   fmt::join(names, " "), fmt::join(tree::subcommand_names(command), ", ")));
    }
    std::string message = "the following required arguments were not provided:";
    bool missing = false;
    const auto arguments = command.arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].is_required() && given_.back().values[i].empty()) {
            message += "\n  ";
            message += tree::display_name(arguments[i]);
            missing = true;
        }
    }
    if (missing) return refusal(std::move(message));
    return std::nullopt;
}

ParsedArguments CommandLine::parsed() const {
    ParsedArguments parsed;
    parsed.command_path = path_;
    for (const Given& given : given_) parsed.json = parsed.json || given.json > 0;
    const auto arguments = path_.back()->arguments;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!given_.back().values[i].empty()) parsed.values.emplace(arguments[i].id, given_.back().values[i]);
    }
    return parsed;
}

// What the parser itself prints, laid out for the stream it goes to.
class ParserExits {
public:
    ParserExits(std::string program, ColourChoice colour) : program_(std::move(program)), colour_(colour) {}

    ParserExit operator()(const HelpRequest& help) const {
        if (help.in_place_of_subcommand) {
            return {HelpFormat(program_, colour_.err).help(help.command_path, false), output::Stream::err, 2};
        }
        const HelpFormat format(program_, colour_.out);
        return {help.form == HelpRequest::Form::help_subcommand
                    ? format.help_subcommand_help(help.command_path)
                    : format.help(help.command_path, help.form == HelpRequest::Form::full),
                output::Stream::out, 0};
    }

    ParserExit operator()(const UsageError& refusal) const {
        return {HelpFormat(program_, colour_.err).error(refusal.message, refusal.command_path), output::Stream::err, 2};
    }

private:
    std::string program_;
    ColourChoice colour_;
};

}  // namespace

// Every way a parse ends, as the process shows it. After the walk, in this
// order: the version; an option given twice (even before -h); help; a
// missing subcommand or required argument; then the reader's value rules.
ParseOutcome parse_command_line(std::span<const std::string> args, ColourChoice colour) {
    const std::string program = program_from(args);
    const ParserExits exits(program, colour);
    CommandLine line(program, args.empty() ? args : args.subspan(1));
    if (auto ending = line.walk()) return std::visit(exits, *ending);
    if (line.stop() == CommandLine::Stop::version) {
        return ParserExit{fmt::format("{} {}\n", tree::program_name, tree::version), output::Stream::out, 0};
    }
    if (auto repeated = line.repeated()) return exits(*repeated);
    if (line.stop() != CommandLine::Stop::none) return exits(line.help());
    if (auto missing = line.missing()) return exits(*missing);
    auto cli = read_cli(line.parsed());
    if (!cli) return exits(cli.error());
    return *std::move(cli);
}

}  // namespace vevizovuvazavad
