#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace davev::cmd {

struct Redirection {
    std::string path;
    bool append = true; // ">>"; false for ">", which replaces the file
};

enum class CommandKind {
    Nothing, // blank line, comment, label, "echo off"; may still carry a redirection
    Echo,
    Type,
};

struct BatchCommand {
    CommandKind kind = CommandKind::Nothing;
    std::string text; // Echo: what to write, before the line end
    std::string file; // Type: the file to write out
    std::optional<Redirection> output;
};

struct ParsedLine {
    BatchCommand command;
    std::string error; // empty when the line can run
};

// Reads one batch line (without its line end) by the Windows command
// interpreter's rules: carets escape outside quotes, redirections may stand
// anywhere, white space just before a redirection is dropped, and quoted text
// is taken literally. No variable is expanded.
ParsedLine parseLine(std::string_view line);

} // namespace davev::cmd
