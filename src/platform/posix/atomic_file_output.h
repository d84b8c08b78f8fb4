#pragma once

#include <optional>
#include <string>
#include <sys/stat.h>

#include "platform/services.h"

namespace davev {

// Writes a file the way a careful editor saves it. The text goes to a
// temporary file beside the file, which is renamed over it on close, so a
// failure at any step leaves the previous file as it was and a reader never
// sees half of the new text. Besides that:
// - a file whose mode grants no write permission, or that the user may not
//   write, is refused before anything changes;
// - a symbolic link is followed, and its target is the file replaced;
// - an existing file keeps its mode and owner; a new one takes the umask,
//   but never write permission for group or others, which the command
//   interpreter would refuse;
// - in a directory the user cannot write, a writable file is rewritten in
//   place instead;
// - a file that already holds exactly the new text is left untouched (after
//   the same checks, so a read-only file is still refused), and no
//   temporary file is made for it;
// - the temporary file is named ".NAME.PID.saving" and locked while in use;
//   one left over by a crashed program is removed by the next write of NAME.
class AtomicFileOutput : public FileOutput {
public:
    AtomicFileOutput() = default;
    ~AtomicFileOutput() override;
    AtomicFileOutput(const AtomicFileOutput&) = delete;
    AtomicFileOutput& operator=(const AtomicFileOutput&) = delete;

    void open(const std::string& fileName) override;
    void print(std::string_view text) override;
    // Bytes as they are, with no line end added.
    void write(std::string_view bytes);
    void close() override;

private:
    // Makes the temporary file, or opens the file itself to rewrite it in place.
    void startWriting();
    bool replacesRegularFile() const;
    void removeTemp();
    void discard();

    std::string fileName_;                // as given, for messages
    std::string target_;                  // the file written, with symbolic links followed
    std::string tempName_;                // empty when writing in place
    std::string pending_;                 // written on close, so an abandoned write changes nothing
    std::optional<struct stat> existing_; // the file replaced, when there is one
    bool opened_ = false;
    int fd_ = -1;
};

} // namespace davev
