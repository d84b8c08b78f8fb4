#include "interpreter/core/batch_line.h"

#include <cctype>

namespace davev::cmd {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// True when text begins with word (any case) followed by the end or one of stops.
bool startsWithWord(std::string_view text, std::string_view word, std::string_view stops)
{
    if (text.size() < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower(text[i]) != word[i])
            return false;
    }
    return text.size() == word.size() || stops.find(text[word.size()]) != std::string_view::npos;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view lowerCaseB)
{
    if (a.size() != lowerCaseB.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lowerCaseB[i])
            return false;
    }
    return true;
}

// Splits a command's arguments: white space separates, double quotes group
// and are removed.
std::vector<std::string> splitWords(std::string_view text)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (true) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i == text.size())
            return words;
        std::string word;
        bool quoted = false;
        for (; i < text.size() && (quoted || !isBlank(text[i])); ++i) {
            if (text[i] == '"')
                quoted = !quoted;
            else
                word += text[i];
        }
        words.push_back(std::move(word));
    }
}

ParsedLine failure(std::string message)
{
    ParsedLine parsed;
    parsed.error = std::move(message);
    return parsed;
}

const char* const syntaxError = "The syntax of the command is incorrect.";

} // namespace

ParsedLine parseLine(std::string_view line)
{
    std::size_t start = 0;
    while (start < line.size() && (isBlank(line[start]) || line[start] == '@'))
        ++start;
    const std::string_view rest = line.substr(start);
    if (rest.empty() || rest.front() == ':' || startsWithWord(rest, "rem", " \t"))
        return {};

    ParsedLine parsed;
    std::optional<Redirection>& output = parsed.command.output;
    std::string text;
    bool quoted = false;
    for (std::size_t i = 0; i < rest.size();) {
        const char c = rest[i];
        if (c == '"')
            quoted = !quoted;
        if (quoted || c == '"') {
            text += c;
            ++i;
            continue;
        }
        if (c == '^') {
            if (i + 1 < rest.size())
                text += rest[i + 1];
            i += 2;
            continue;
        }
        if (c == '|' || c == '&')
            return failure(std::string("'") + c + "' (pipes and command chains) is not supported.");
        if (c == '<')
            return failure("Input redirection is not supported.");
        if (c != '>') {
            text += c;
            ++i;
            continue;
        }

        // A lone digit before '>' names the handle to redirect.
        if (!text.empty() && std::isdigit(static_cast<unsigned char>(text.back())) &&
            (text.size() == 1 || isBlank(text[text.size() - 2]))) {
            if (text.back() != '1')
                return failure(std::string("Redirecting handle ") + text.back() + " is not supported.");
            text.pop_back();
        }
        const bool append = i + 1 < rest.size() && rest[i + 1] == '>';
        i += append ? 2 : 1;
        if (i < rest.size() && rest[i] == '&')
            return failure("Duplicating a handle with >& is not supported.");
        if (output)
            return failure("More than one output redirection on a line is not supported.");
        while (i < rest.size() && isBlank(rest[i]))
            ++i;
        std::string target;
        bool targetQuoted = false;
        while (i < rest.size()) {
            const char t = rest[i];
            if (t == '"') {
                targetQuoted = !targetQuoted;
                ++i;
            } else if (targetQuoted) {
                target += t;
                ++i;
            } else if (isBlank(t) || t == '<' || t == '>' || t == '|' || t == '&') {
                break;
            } else if (t == '^' && i + 1 < rest.size()) {
                target += rest[i + 1];
                i += 2;
            } else {
                target += t;
                ++i;
            }
        }
        if (target.empty())
            return failure(syntaxError);
        while (!text.empty() && isBlank(text.back()))
            text.pop_back();
        output = Redirection{std::move(target), append};
    }

    std::string_view command = text;
    while (!command.empty() && isBlank(command.front()))
        command.remove_prefix(1);
    if (command.empty())
        return parsed;

    BatchCommand& result = parsed.command;
    if (startsWithWord(command, "echo", " \t.")) {
        command.remove_prefix(4);
        if (!command.empty() && command.front() == '.') {
            result.kind = CommandKind::Echo;
            result.text = command.substr(1);
            return parsed;
        }
        if (!command.empty())
            command.remove_prefix(1);
        const std::string_view word = trimmed(command);
        if (equalsIgnoringCase(word, "on") || equalsIgnoringCase(word, "off"))
            return parsed;
        result.kind = CommandKind::Echo;
        result.text = word.empty() ? std::string("ECHO is on.") : std::string(command);
        return parsed;
    }
    if (startsWithWord(command, "type", " \t\"")) {
        std::vector<std::string> files = splitWords(command.substr(4));
        if (files.empty())
            return failure(syntaxError);
        if (files.size() > 1)
            return failure("type: writing more than one file at a time is not supported.");
        result.kind = CommandKind::Type;
        result.file = std::move(files.front());
        return parsed;
    }
    const std::size_t wordEnd = command.find_first_of(" \t");
    return failure("'" + std::string(command.substr(0, wordEnd)) +
                   "' is not recognized as an internal or external command, operable program or batch file.");
}

} // namespace davev::cmd
