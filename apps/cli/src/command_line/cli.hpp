#pragma once
// The parsed command line: the global `--json` flag and one command value per
// command group. The reader (command_readers.hpp) fills the fields that the
// command tree (command_tree.hpp) names; `run_main` hands the group's value to
// that group's handler (commands/).
//
// Paths are operating-system strings: any bytes but NUL, never empty. Texts
// are valid UTF-8, possibly empty. Enumerated words (`class_word`,
// `target_type`, `reason`, `decision`) are kept as typed; their handlers read
// them.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <zedododor_avovodizi/ids.hpp>

#include "output/form.hpp"

namespace vevizovuvazavad {

struct KeygenCommand {
    std::string out;
};

struct RetentionCommand {
    struct New {
        std::string name;
        std::string class_word;  // argument id `class`
        std::uint32_t min_days = 0;
        std::optional<std::uint32_t> max_days;
        bool automated_disposition = false;
        std::optional<zedododor_avovodizi::ids::TenantId> tenant;
        std::optional<zedododor_avovodizi::ids::WorkspaceId> workspace;
        std::string out;
    };
    struct Extend {
        std::string policy;
        std::uint32_t min_days = 0;
        std::string out;
    };
    struct Show {
        std::string policy;
    };
    std::variant<New, Extend, Show> value;
};

struct LegalHoldCommand {
    struct Request {
        std::string name;
        std::string scope;
        std::string reason;
        std::string requested_by;
        std::optional<zedododor_avovodizi::ids::TenantId> tenant;
        std::optional<zedododor_avovodizi::ids::WorkspaceId> workspace;
        std::string out;
    };
    struct Approve {
        std::string hold;
        std::string approved_by;
        std::string out;
    };
    struct Deny {
        std::string hold;
        std::string approved_by;
        std::string out;
    };
    struct RequestRelease {
        std::string hold;
        std::string out;
    };
    struct Release {
        std::string hold;
        std::string approved_by;
        std::string policy_ruleset;
        std::string trust_store;
        std::string out;
    };
    struct Assign {
        std::string hold;
        std::string package;
        std::string out_package;
    };
    struct Unassign {
        std::string hold;
        std::string package;
        std::string out_package;
    };
    struct Show {
        std::string hold;
    };
    std::variant<Request, Approve, Deny, RequestRelease, Release, Assign, Unassign, Show> value;
};

struct TargetCommand {
    struct New {
        std::string name;
        std::string target_type;
        std::optional<zedododor_avovodizi::ids::TenantId> tenant;
        std::optional<zedododor_avovodizi::ids::WorkspaceId> workspace;
        std::string out;
    };
    struct Show {
        std::string target;
    };
    std::variant<New, Show> value;
};

struct PackageCommand {
    struct New {
        std::string target;
        std::string policy;
        std::string source_product;
        std::string label;
        std::string created_by;
        std::optional<zedododor_avovodizi::ids::TenantId> tenant;
        std::optional<zedododor_avovodizi::ids::WorkspaceId> workspace;
        std::string out;
    };
    struct Seal {
        std::string package;
        std::string policy;
        std::string key_file;
        std::vector<std::string> chunks;  // command-line order, at least one
        std::string out_package;
        std::string out_manifest;
    };
    struct Verify {
        std::string package;
        std::string manifest;
        std::string key_file;
        std::vector<std::string> chunks;  // command-line order, possibly none
    };
    struct Show {
        std::string package;
    };
    std::variant<New, Seal, Verify, Show> value;
};

struct DispositionCommand {
    struct Review {
        std::string package;
        std::string out;
    };
    struct Decide {
        std::string review;
        std::string package;
        std::string decision;
        std::string reviewed_by;
        std::string out;
    };
    struct Execute {
        std::string review;
        std::string package;
        std::string out_package;
    };
    struct Show {
        std::string review;
    };
    std::variant<Review, Decide, Execute, Show> value;
};

struct CustodyCommand {
    struct Verify {
        std::string chain;
        std::string key_file;
    };
    std::variant<Verify> value;
};

struct RulesetCommand {
    struct Pubkey {
        std::string key;
    };
    struct Sign {
        std::string input;
        std::string key;
        std::string out;
    };
    std::variant<Pubkey, Sign> value;
};

struct TrustCommand {
    struct Add {
        std::string store;
        std::string name;
        std::string pubkey;
    };
    struct List {
        std::string store;
    };
    std::variant<Add, List> value;
};

struct DemoCommand {};

// One alternative per command group; the help lists the groups in the order
// of the command tree (command_tree.cpp).
using CliCommand = std::variant<KeygenCommand, RetentionCommand, LegalHoldCommand, TargetCommand, PackageCommand,
                                DispositionCommand, CustodyCommand, RulesetCommand, TrustCommand, DemoCommand>;

struct Cli {
    bool json = false;  // the global `--json`, given at any level
    CliCommand command;

    // What a handler's report is printed as.
    output::OutputForm output_form() const { return json ? output::OutputForm::json : output::OutputForm::text; }
};

}  // namespace vevizovuvazavad
