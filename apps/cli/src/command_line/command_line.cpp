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
#include <vector>

#include <fmt/format.h>

#include "command_line/command_readers.hpp"
#include "command_line/command_tree.hpp"
#include "command_line/help_format.hpp"
#include "command_line/similar_name.hpp"
#include "io/os_error.hpp"

namespace vevizovuvazavad {
namespace {

namespace tree = command_tree;
using tree::Argument;
using tree::Command;
using tree::CommandPath;
using tree::Form;

// The walk's answer to a request for help, or to a command line that stops
// where a command still needs its subcommand.
struct ShowHelp {
    CommandPath command_path;
    bool long_form;
    Stream stream;
    int status;
    bool of_help_subcommand = false;  // the help of `help` itself, below the command
};

[[noreturn]] void refuse(std::string message, std::vector<std::string> command_path) {
    throw UsageError{std::move(message), std::move(command_path)};
}

bool looks_like_option(std::string_view argument) { return argument.size() > 1 && argument.front() == '-'; }

std::string program_from(std::span<const std::string> args) {
    if (args.empty()) return std::string(tree::program_name);
    const std::string& path = args.front();
    const std::string name = path.substr(path.find_last_of('/') + 1);
    return name.empty() ? std::string(tree::program_name) : io::display_path(name);
}

std::string with_tip(std::string message, std::string_view kind, const std::optional<std::string>& similar) {
    if (similar) message += fmt::format("\n\n  tip: a similar {} exists: '{}'", kind, *similar);
    return message;
}

std::string unrecognized_subcommand(const Command& command, std::string_view name) {
    return with_tip(fmt::format("unrecognized subcommand '{}'", io::display_path(name)), "subcommand",
                    most_similar(name, tree::subcommand_names(command)));
}

// The long options of the command at the end of `path`, in the order in
// which a suggestion prefers them.
std::vector<std::string> long_names(const CommandPath& path) {
    std::vector<std::string> names{"help"};
    if (path.size() == 1) names.emplace_back("version");
    for (const Argument& argument : path.back()->arguments()) {
        if (argument.form != Form::positional) names.push_back(tree::option_name(argument).substr(2));
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
    return with_tip(fmt::format("unexpected argument '{}' found", io::display_path(argument)), "argument", similar);
}

// The `help` subcommand of the command at the end of `path`: the help of the
// command that `names` name below it.
[[noreturn]] void answer_help(CommandPath path, std::span<const std::string> names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Command& command = *path.back();
        if (names[i] == "help" && !command.subcommands.empty()) {
            if (i + 1 < names.size()) {
                refuse(fmt::format("unexpected argument '{}' found", io::display_path(names[i + 1])),
                       tree::names_of(path));
            }
            throw ShowHelp{std::move(path), true, Stream::out, 0, true};
        }
        const Command* sub = tree::find_subcommand(command, names[i]);
        if (sub == nullptr) refuse(unrecognized_subcommand(command, names[i]), tree::names_of(path));
        path.push_back(sub);
    }
    throw ShowHelp{std::move(path), true, Stream::out, 0};
}

// What a word that looks like an option names at one command.
struct Option {
    enum class Is { argument, json, help, long_help, version } is;
    const Argument* argument = nullptr;  // with Is::argument
    bool takes_value() const { return argument != nullptr && argument->form != Form::flag; }
};

std::optional<Option> find_option(const CommandPath& path, std::string_view name) {
    if (name == "-h") return Option{Option::Is::help};
    if (name == "--help") return Option{Option::Is::long_help};
    if (name == tree::json_flag) return Option{Option::Is::json};
    if (path.size() == 1 && (name == "-V" || name == "--version")) return Option{Option::Is::version};
    for (const Argument& argument : path.back()->arguments()) {
        if (argument.form != Form::positional && tree::option_name(argument) == name) {
            return Option{Option::Is::argument, &argument};
        }
    }
    return std::nullopt;
}

// The values given to one command of the command line.
struct Given {
    explicit Given(const Command& command) : values(command.arguments().size()) {}
    std::vector<std::vector<std::string>> values;  // by argument, in declaration order
    std::size_t json = 0;                          // occurrences of --json
};

// A command line walked through, and the checks that need all of it.
class CommandLine {
public:
    // Throws ShowHelp and UsageError.
    CommandLine(std::string program, std::span<const std::string> arguments);

    // Where the walk stopped: -h, --help or --version; none when it read
    // every argument.
    enum class Stop { none, help, long_help, version };
    Stop stop() const { return stop_; }
    const CommandPath& path() const { return path_; }
    std::vector<std::string> names() const { return tree::names_of(path_); }

    // Throws UsageError for an option or flag given twice to one command,
    // the top level first.
    void refuse_repeated() const;
    // Throws UsageError for the subcommand of the group named last, or the
    // required arguments of the command named last, when they are missing.
    void refuse_missing() const;

    ParsedArguments parsed() const;

private:
    bool is_group() const { return !path_.back()->subcommands.empty(); }
    [[noreturn]] void refuse(std::string message) const { vevizovuvazavad::refuse(std::move(message), names()); }
    void walk();
    bool option(const std::string& argument);  // false where the walk stops
    void subcommand(const std::string& name);
    void positional(const std::string& argument);
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
    walk();
}

void CommandLine::walk() {
    while (next_ < arguments_.size()) {
        const std::string& argument = arguments_[next_++];
        ++own_arguments_;
        if (!positionals_only_ && looks_like_option(argument)) {
            if (!option(argument)) return;
        } else if (is_group()) {
            subcommand(argument);
        } else {
            positional(argument);
        }
    }
    // A group reached with nothing given to it, the top level of an empty
    // command line included, still needs its subcommand: its help says which.
    if (is_group() && own_arguments_ == 0) throw ShowHelp{path_, false, Stream::err, 2};
}

bool CommandLine::option(const std::string& argument) {
    if (argument == "--") {
        if (is_group()) refuse(unexpected_argument(path_, argument));
        positionals_only_ = true;
        return true;
    }
    const bool is_long = argument.starts_with("--");
    const std::size_t equals = is_long ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const auto option = is_long || name.size() == 2 ? find_option(path_, name) : std::nullopt;
    if (!option) refuse(unexpected_argument(path_, argument));

    if (equals != std::string::npos) {
        std::string value = argument.substr(equals + 1);
        if (!option->takes_value()) {
            refuse(fmt::format("unexpected value '{}' for '{}' found; no more were expected", io::display_path(value),
                               name));
        }
        take(*option->argument, std::move(value));
        return true;
    }
    switch (option->is) {
    case Option::Is::help:
        stop_ = Stop::help;
        return false;
    case Option::Is::long_help:
        stop_ = Stop::long_help;
        return false;
    case Option::Is::version:
        stop_ = Stop::version;
        return false;
    case Option::Is::json:
        ++given_.back().json;
        return true;
    case Option::Is::argument:
        break;
    }
    if (!option->takes_value()) {
        take(*option->argument, {});
        return true;
    }
    if (next_ == arguments_.size() || looks_like_option(arguments_[next_])) {
        std::string message =
            fmt::format("a value is required for '{}' but none was supplied", tree::display_name(*option->argument));
        if (next_ < arguments_.size()) {
            message += fmt::format("\n\n  tip: to pass '{0}' as a value, use '{1}={0}'",
                                   io::display_path(arguments_[next_]), name);
        }
        refuse(std::move(message));
    }
    take(*option->argument, arguments_[next_++]);
    return true;
}

void CommandLine::subcommand(const std::string& name) {
    if (name == "help") answer_help(path_, arguments_.subspan(next_));
    const Command* sub = tree::find_subcommand(*path_.back(), name);
    if (sub == nullptr) refuse(unrecognized_subcommand(*path_.back(), name));
    path_.push_back(sub);
    given_.emplace_back(*sub);
    own_arguments_ = 0;
}

void CommandLine::positional(const std::string& argument) {
    std::size_t seen = 0;
    for (const Argument& declared : path_.back()->arguments()) {
        if (declared.form != Form::positional || seen++ < positionals_) continue;
        ++positionals_;
        take(declared, argument);
        return;
    }
    refuse(unexpected_argument(path_, argument));
}

void CommandLine::take(const Argument& argument, std::string value) {
    const auto index = static_cast<std::size_t>(&argument - path_.back()->arguments().data());
    given_.back().values[index].push_back(std::move(value));
}

void CommandLine::refuse_repeated() const {
    for (std::size_t level = 0; level < path_.size(); ++level) {
        const auto arguments = path_[level]->arguments();
        std::optional<std::string> repeated;
        for (std::size_t i = 0; i < arguments.size() && !repeated; ++i) {
            if (arguments[i].form != Form::repeated_option && given_[level].values[i].size() > 1) {
                repeated = tree::display_name(arguments[i]);
            }
        }
        if (!repeated && given_[level].json > 1) repeated = tree::json_flag;
        if (repeated) {
            const CommandPath up_to(path_.begin(), path_.begin() + static_cast<std::ptrdiff_t>(level) + 1);
            vevizovuvazavad::refuse(fmt::format("the argument '{}' cannot be used multiple times", *repeated),
                                    tree::names_of(up_to));
        }
    }
}

void CommandLine::refuse_missing() const {
    const Command& command = *path_.back();
    if (is_group()) {
        std::vector<std::string> names{program_};
        for (const std::string& name : this->names()) names.push_back(name);
        refuse(fmt::format("'{}' requires a subcommand but one was not provided\n  [subcommands: {}]",
                           fmt::join(names, " "), fmt::join(tree::subcommand_names(command), ", ")));
    }
    std::string message = "the following required arguments were not provided:";
    bool missing = false;
    const auto arguments = command.arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i].required && given_.back().values[i].empty()) {
            message += "\n  ";
            message += tree::display_name(arguments[i]);
            missing = true;
        }
    }
    if (missing) refuse(std::move(message));
}

ParsedArguments CommandLine::parsed() const {
    ParsedArguments parsed;
    parsed.command_path = names();
    for (const Given& given : given_) parsed.json = parsed.json || given.json > 0;
    const auto arguments = path_.back()->arguments();
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (!given_.back().values[i].empty()) parsed.values.emplace(arguments[i].id, given_.back().values[i]);
    }
    return parsed;
}

}  // namespace

// Every way a parse ends, as the process shows it. After the walk, in this
// order: the version; an option given twice (even before -h); help; a
// missing subcommand or required argument; then the reader's value rules.
ParseOutcome parse_command_line(std::span<const std::string> args, ColourChoice colour) {
    const std::string program = program_from(args);
    try {
        const CommandLine line(program, args.empty() ? args : args.subspan(1));
        if (line.stop() == CommandLine::Stop::version) {
            return ParserExit{fmt::format("{} {}\n", tree::program_name, tree::version), Stream::out, 0};
        }
        line.refuse_repeated();
        if (line.stop() != CommandLine::Stop::none) {
            throw ShowHelp{line.path(), line.stop() == CommandLine::Stop::long_help, Stream::out, 0};
        }
        line.refuse_missing();
        return read_cli(line.parsed());
    } catch (const ShowHelp& help) {
        const HelpFormat format(program, help.stream == Stream::out ? colour.out : colour.err);
        return ParserExit{help.of_help_subcommand ? format.help_subcommand_help(help.command_path)
                                                  : format.help(help.command_path, help.long_form),
                          help.stream, help.status};
    } catch (const UsageError& refusal) {
        return ParserExit{HelpFormat(program, colour.err).error(refusal.message, tree::find_path(refusal.command_path)),
                          Stream::err, 2};
    }
}

}  // namespace vevizovuvazavad
