// The thin layer over CLI11, and with it `parse_command_line`.
//
// CLI11 does: declare the tree (from command_tree.hpp), collect each option's
// values, refuse a missing required argument or subcommand and a second
// occurrence of an option, react to -h, --help and --version, and render help
// and usage through our HelpFormatter.
//
// We add, where CLI11 2.1.2 reads a command line otherwise than the
// conventional parsers:
// - the pre-pass walks the arguments command by command before CLI11 sees
//   them: it refuses a value given to a flag (`--json=true`), an option whose
//   value is missing or looks like an option (`--name -x`; `--name=-x` is a
//   value), unknown options and subcommands (naming the most similar one) and
//   surplus arguments; it answers the `help` subcommand, and a command line
//   that ends at a group, or holds nothing, with that command's help; it stops
//   after -h, --help or --version; and it hands CLI11 `--name=value` as two
//   arguments, since CLI11 takes the next argument for an empty `--name=`.
// - the post-pass ORs `--json` over every level, takes each value by argument
//   id, and has the readers (command_readers.hpp) apply the value rules.
// - one catch layer turns every outcome, ours and CLI11's, into what the
//   process prints, on which stream, with which status; CLI11's own exit()
//   and its codes 100-120 are never used.

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <CLI/CLI.hpp>

#include "command_line.hpp"
#include "command_readers.hpp"
#include "command_tree.hpp"
#include "help_format.hpp"
#include "io/os_error.hpp"
#include "similar_name.hpp"

namespace vevizovuvazavad {
namespace {

namespace tree = command_tree;

// The pre-pass's answer to a request for help, or to a command line that
// stops where a command still needs its subcommand.
struct ShowHelp {
    std::vector<std::string> command_path;
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

class Parser {
public:
    explicit Parser(std::string program)
        : program_(std::move(program)),
          top_(std::string(tree::root().about), std::string(tree::program_name)),
          formatter_(std::make_shared<HelpFormatter>(program_, long_abouts_)) {
        // The formatter and the help flags are inherited by every command
        // declared below; the version flag is the top level's alone.
        top_.formatter(formatter_);
        top_.set_help_flag("-h", "Print help");
        top_.set_help_all_flag("--help", "Print help");
        top_.set_version_flag("-V,--version", fmt::format("{} {}", tree::program_name, tree::version));
        declare(top_, tree::root());
    }

    std::vector<std::string> pre_pass(std::span<const std::string> arguments) const;
    void parse(std::vector<std::string> arguments);
    ParsedArguments post_pass() const;

    ParserExit help(const ShowHelp& request, ColourChoice colour) const;
    ParserExit error(std::string_view message, const std::vector<std::string>& path, ColourChoice colour) const;
    // The commands CLI11 parsed, the top level first, and their names.
    std::vector<const CLI::App*> parsed_apps() const;
    std::vector<std::string> parsed_path() const;
    std::string missing_message() const;
    std::optional<UsageError> repeated() const;

private:
    void declare(CLI::App& app, const tree::Command& command);
    const CLI::App* app_at(const std::vector<std::string>& path) const;
    std::string program_;  // as usage lines and messages name it
    CLI::App top_;
    std::map<const CLI::App*, std::string_view> long_abouts_;
    std::map<const CLI::Option*, std::string_view> ids_;  // of the tree's arguments
    std::shared_ptr<HelpFormatter> formatter_;
};

void Parser::declare(CLI::App& app, const tree::Command& command) {
    if (!command.long_about.empty()) long_abouts_.emplace(&app, command.long_about);
    for (const tree::Argument& argument : command.arguments) {
        CLI::Option* option = nullptr;
        switch (argument.form) {
            case tree::Form::flag: option = app.add_flag(tree::option_name(argument)); break;
            case tree::Form::positional: option = app.add_option(std::string(argument.id)); break;
            case tree::Form::option:
            case tree::Form::repeated_option: option = app.add_option(tree::option_name(argument)); break;
        }
        option->description(std::string(argument.help));
        if (argument.form != tree::Form::flag) option->type_name(tree::value_name(argument));
        option->required(argument.required);
        ids_.emplace(option, argument.id);
        if (argument.form == tree::Form::repeated_option) {
            option->allow_extra_args(false)->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
        } else {
            option->multi_option_policy(CLI::MultiOptionPolicy::Throw);
        }
    }
    // `add_flag` with a description does not compile here with g++ 12.
    app.add_flag(std::string(tree::json_flag))
        ->description(std::string(tree::json_help))
        ->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    if (command.subcommands.empty()) {
        // The pre-pass has refused every surplus argument; what CLI11 files
        // among them is the `--` before a positional value.
        app.allow_extras();
        return;
    }
    app.require_subcommand(1);
    for (const tree::Command& sub : command.subcommands) {
        declare(*app.add_subcommand(std::string(sub.name), std::string(sub.about)), sub);
    }
}

const CLI::App* find_subcommand(const CLI::App* app, std::string_view name) {
    for (const CLI::App* sub : app->get_subcommands({})) {
        if (sub->get_name() == name) return sub;
    }
    return nullptr;
}

const CLI::App* Parser::app_at(const std::vector<std::string>& path) const {
    const CLI::App* app = &top_;
    for (const std::string& name : path) {
        const CLI::App* sub = find_subcommand(app, name);
        if (sub == nullptr) break;
        app = sub;
    }
    return app;
}

std::string with_tip(std::string message, std::string_view kind, const std::optional<std::string>& similar) {
    if (similar) message += fmt::format("\n\n  tip: a similar {} exists: '{}'", kind, *similar);
    return message;
}

std::string unrecognized_subcommand(const CLI::App* app, std::string_view name) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app->get_subcommands({})) names.push_back(sub->get_name());
    if (!names.empty()) names.emplace_back("help");
    return with_tip(fmt::format("unrecognized subcommand '{}'", io::display_path(name)), "subcommand",
                    most_similar(name, names));
}

std::string unexpected_argument(const CLI::App* app, std::string_view argument) {
    std::optional<std::string> similar;
    if (argument.starts_with("--")) {
        std::vector<std::string> names;
        for (const CLI::Option* option : app->get_options()) {
            for (const std::string& name : option->get_lnames()) names.push_back(name);
        }
        if (auto name = most_similar(argument.substr(2), names)) similar = "--" + *name;
    }
    return with_tip(fmt::format("unexpected argument '{}' found", io::display_path(argument)), "argument", similar);
}

// The `help` subcommand of the command at `path`: the help of the command
// that `names` name below it.
[[noreturn]] void answer_help(const CLI::App* app, std::vector<std::string> path,
                              std::span<const std::string> names) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "help" && !app->get_subcommands({}).empty()) {
            if (i + 1 < names.size()) {
                refuse(fmt::format("unexpected argument '{}' found", io::display_path(names[i + 1])), path);
            }
            throw ShowHelp{std::move(path), true, Stream::out, 0, true};
        }
        const CLI::App* sub = find_subcommand(app, names[i]);
        if (sub == nullptr) refuse(unrecognized_subcommand(app, names[i]), path);
        app = sub;
        path.push_back(names[i]);
    }
    throw ShowHelp{std::move(path), true, Stream::out, 0};
}

// One walk over the arguments, command by command, as the conventional
// parsers read them.
class PrePass {
public:
    PrePass(const CLI::App& top, std::span<const std::string> arguments) : app_(&top), arguments_(arguments) {}

    std::vector<std::string> run() {
        if (arguments_.empty()) throw ShowHelp{{}, false, Stream::err, 2};
        for (next_ = 0; next_ < arguments_.size();) {
            const std::string& argument = arguments_[next_++];
            ++own_arguments_;
            if (!positionals_only_ && looks_like_option(argument)) {
                if (!option(argument)) return passed_;
            } else if (is_group()) {
                subcommand(argument);
            } else {
                positional(argument);
            }
        }
        if (is_group() && own_arguments_ == 0) throw ShowHelp{path_, false, Stream::err, 2};
        return passed_;
    }

private:
    bool is_group() const { return !app_->get_subcommands({}).empty(); }

    [[noreturn]] void refuse(std::string message) const { vevizovuvazavad::refuse(std::move(message), path_); }

    // False after -h, --help or --version: nothing after them is read.
    bool option(const std::string& argument) {
        if (argument == "--") {
            if (is_group()) refuse(unexpected_argument(app_, argument));
            positionals_only_ = true;
            passed_.push_back(argument);
            return true;
        }
        const bool is_long = argument.starts_with("--");
        const std::size_t equals = is_long ? argument.find('=') : std::string::npos;
        const std::string name = argument.substr(0, equals);
        const CLI::Option* option = is_long || name.size() == 2 ? app_->get_option_no_throw(name) : nullptr;
        if (option == nullptr || option->get_positional()) refuse(unexpected_argument(app_, argument));
        const bool takes_value = option->get_expected_max() != 0;
        passed_.push_back(name);

        if (equals != std::string::npos) {
            const std::string value = argument.substr(equals + 1);
            if (!takes_value) {
                refuse(fmt::format("unexpected value '{}' for '{}' found; no more were expected",
                                   io::display_path(value), name));
            }
            passed_.push_back(value);  // even when empty, which CLI11 would not see as a value
            return true;
        }
        if (option == app_->get_help_ptr() || option == app_->get_help_all_ptr() ||
            option == app_->get_version_ptr()) {
            return false;
        }
        if (!takes_value) return true;
        if (next_ == arguments_.size() || looks_like_option(arguments_[next_])) {
            std::string message = fmt::format("a value is required for '{}' but none was supplied",
                                              HelpFormatter::display_name(*option));
            if (next_ < arguments_.size()) {
                message += fmt::format("\n\n  tip: to pass '{0}' as a value, use '{1}={0}'",
                                       io::display_path(arguments_[next_]), name);
            }
            refuse(std::move(message));
        }
        passed_.push_back(arguments_[next_++]);
        return true;
    }

    void subcommand(const std::string& name) {
        if (name == "help") answer_help(app_, path_, arguments_.subspan(next_));
        const CLI::App* sub = find_subcommand(app_, name);
        if (sub == nullptr) refuse(unrecognized_subcommand(app_, name));
        app_ = sub;
        path_.push_back(name);
        passed_.push_back(name);
        own_arguments_ = 0;
    }

    void positional(const std::string& argument) {
        const auto declared = app_->get_options([](const CLI::Option* option) { return option->get_positional(); });
        if (positionals_ == declared.size()) refuse(unexpected_argument(app_, argument));
        ++positionals_;
        passed_.push_back(argument);
    }

    const CLI::App* app_;  // the command named last
    std::span<const std::string> arguments_;
    std::size_t next_ = 0;
    std::vector<std::string> path_;
    std::vector<std::string> passed_;  // for CLI11
    std::size_t own_arguments_ = 0;    // of the command named last
    std::size_t positionals_ = 0;      // taken by the leaf command
    bool positionals_only_ = false;    // after `--`
};

std::vector<std::string> Parser::pre_pass(std::span<const std::string> arguments) const {
    return PrePass(top_, arguments).run();
}

void Parser::parse(std::vector<std::string> arguments) {
    std::reverse(arguments.begin(), arguments.end());  // CLI11 takes them last first
    top_.parse(arguments);
}

std::vector<std::string> Parser::parsed_path() const {
    std::vector<std::string> path;
    for (const CLI::App* app : parsed_apps()) {
        if (app != &top_) path.push_back(app->get_name());
    }
    return path;
}

std::vector<const CLI::App*> Parser::parsed_apps() const {
    std::vector<const CLI::App*> apps{&top_};
    while (!apps.back()->get_subcommands().empty()) apps.push_back(apps.back()->get_subcommands().front());
    return apps;
}

ParsedArguments Parser::post_pass() const {
    ParsedArguments parsed;
    parsed.command_path = parsed_path();
    const auto apps = parsed_apps();
    for (const CLI::App* app : apps) {
        parsed.json = parsed.json || app->get_option(std::string(tree::json_flag))->count() > 0;
    }
    const CLI::App* app = apps.back();
    for (const std::string& left : app->remaining()) {
        if (left != "--") refuse(unexpected_argument(app, left), parsed.command_path);
    }
    for (const CLI::Option* option : app->get_options()) {
        const auto id = ids_.find(option);
        if (id != ids_.end() && option->count() > 0) parsed.values.emplace(id->second, option->results());
    }
    return parsed;
}

ParserExit Parser::help(const ShowHelp& request, ColourChoice colour) const {
    formatter_->use_colour(request.stream == Stream::out ? colour.out : colour.err);
    const CLI::App* app = app_at(request.command_path);
    if (request.of_help_subcommand) return {formatter_->make_help_subcommand_help(app), request.stream, request.status};
    const auto mode = request.long_form ? CLI::AppFormatMode::All : CLI::AppFormatMode::Normal;
    return {app->help({}, mode), request.stream, request.status};
}

ParserExit Parser::error(std::string_view message, const std::vector<std::string>& path, ColourChoice colour) const {
    formatter_->use_colour(colour.err);
    return {formatter_->make_error(message, app_at(path)), Stream::err, 2};
}

// What CLI11 found missing: the subcommand of the group named last, or the
// required arguments of the command named last.
std::string Parser::missing_message() const {
    const std::vector<std::string> path = parsed_path();
    const CLI::App* app = app_at(path);
    const auto subcommands = app->get_subcommands({});
    if (!subcommands.empty()) {
        std::vector<std::string> names{program_};
        names.insert(names.end(), path.begin(), path.end());
        std::vector<std::string> choices;
        for (const CLI::App* sub : subcommands) choices.push_back(sub->get_name());
        choices.emplace_back("help");
        return fmt::format("'{}' requires a subcommand but one was not provided\n  [subcommands: {}]",
                           fmt::join(names, " "), fmt::join(choices, ", "));
    }
    std::string message = "the following required arguments were not provided:";
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_required() && option->count() == 0) message += "\n  " + HelpFormatter::display_name(*option);
    }
    return message;
}

// The option CLI11 found given more than once, and the command it belongs to.
std::optional<UsageError> Parser::repeated() const {
    std::vector<std::string> path;
    for (const CLI::App* app : parsed_apps()) {
        if (app != &top_) path.push_back(app->get_name());
        for (const CLI::Option* option : app->get_options()) {
            if (option->count() > 1 && option->get_multi_option_policy() == CLI::MultiOptionPolicy::Throw) {
                return UsageError{fmt::format("the argument '{}' cannot be used multiple times",
                                              HelpFormatter::display_name(*option)),
                                  path};
            }
        }
    }
    return std::nullopt;
}

}  // namespace

// The one catch layer: every way a parse ends, as the process shows it.
ParseOutcome parse_command_line(std::span<const std::string> args, ColourChoice colour) {
    Parser parser(program_from(args));
    try {
        parser.parse(parser.pre_pass(args.empty() ? args : args.subspan(1)));
        return read_cli(parser.post_pass());
    } catch (const ShowHelp& help) {
        return parser.help(help, colour);
    } catch (const UsageError& refusal) {
        return parser.error(refusal.message, refusal.command_path, colour);
    } catch (const CLI::CallForHelp&) {
        return parser.help({parser.parsed_path(), false, Stream::out, 0}, colour);
    } catch (const CLI::CallForAllHelp&) {
        return parser.help({parser.parsed_path(), true, Stream::out, 0}, colour);
    } catch (const CLI::CallForVersion& version) {
        return ParserExit{std::string(version.what()) + "\n", Stream::out, 0};
    } catch (const CLI::RequiredError&) {
        return parser.error(parser.missing_message(), parser.parsed_path(), colour);
    } catch (const CLI::ArgumentMismatch& mismatch) {
        const auto repeated = parser.repeated();
        if (repeated) return parser.error(repeated->message, repeated->command_path, colour);
        return parser.error(mismatch.what(), parser.parsed_path(), colour);
    } catch (const CLI::ParseError& other) {
        return parser.error(other.what(), parser.parsed_path(), colour);
    }
}

}  // namespace vevizovuvazavad
