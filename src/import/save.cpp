#include "import/save.h"

#include "import/compose.h"
#include "import/launch.h"
#include "settings/main_window_lifecycle.h"

namespace davev {
namespace {

// A path with one of these cannot be quoted in the command, and would let
// the rest of the text run as another command.
void requireQuotable(const TextBox& field, std::string_view what)
{
    const std::string& path = field.text();
    if (path.find_first_of(std::string_view("\"\r\n\0", 4)) == std::string::npos)
        return;
    throw PlatformError(errors::BadFileName,
                        "Bad file name: the " + std::string(what) +
                            " path holds a double quote, a line break or a NUL character, which cannot be quoted "
                            "in the import command; the batch file was left unchanged");
}

// A character the batch file's encoding would replace by a look-alike could
// turn into a separator or a quote and name a different file.
void requireRepresentable(const FileOutput& file, const TextBox& field, std::string_view what)
{
    if (file.canRepresent(field.text()))
        return;
    throw PlatformError(errors::BadFileName,
                        "Bad file name: the " + std::string(what) +
                            " path holds a character that the batch file's code page cannot represent; the batch "
                            "file was left unchanged");
}

} // namespace

void saveClick(MainWindow& m, SettingsStore& store, FileOutput& file)
{
    storeMainWindowSettings(m, store);
    composeImportCommand(m);
    requireQuotable(m.SOURCE_TEXT_FILE_TEXTBOX, "source");
    requireQuotable(m.TARGET_TEXT_FILE_TEXTBOX, "target");
    requireRepresentable(file, m.SOURCE_TEXT_FILE_TEXTBOX, "source");
    requireRepresentable(file, m.TARGET_TEXT_FILE_TEXTBOX, "target");
    file.open(runnerBatchFileName(m));
    file.print(m.FULL_COMMAND_TEXTBOX.text());
    file.close();
}

} // namespace davev
