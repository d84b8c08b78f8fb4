#include "import/compose.h"

namespace davev {

std::string composedCommand(const MainWindow& m)
{
    const std::string& target = m.TARGET_TEXT_FILE_TEXTBOX.text();
    const std::string& quote = m.SM_TB.text();
    std::string command;
    command.reserve(32 + m.SOURCE_TEXT_FILE_TEXTBOX.text().size() + 2 * target.size());
    command += m.TYPE_CMD_TEXTBOX.text();
    command += m.SOURCE_TEXT_FILE_TEXTBOX.text();
    command += m.INTO_TB.text();
    command += target;
    command += quote;
    command += "\r\n";
    command += m.TYPE_NEW_LINE_TEXTBOX.text();
    command += target;
    command += quote;
    return command;
}

void composeImportCommand(MainWindow& m)
{
    m.FULL_COMMAND_TEXTBOX.setText(composedCommand(m));
}

void sourceSampleClick(MainWindow& m)
{
    m.SOURCE_TEXT_FILE_TEXTBOX.setText(std::string(SampleSourcePath));
}

void targetSampleClick(MainWindow& m)
{
    m.TARGET_TEXT_FILE_TEXTBOX.setText(std::string(SampleTargetPath));
}

} // namespace davev
