// The six texts the window composes its messages and status lines from.
// A language file may replace each of them.
#pragma once

#include <QString>

namespace tervaline::app {

struct TInterfaceTexts {
    QString NoFile = QStringLiteral("File doesn't exist");
    QString NowScan = QStringLiteral("Now scanning");
    QString CanStop = QStringLiteral("Do you really want to stop?");
    QString FoundData = QStringLiteral("Found data in address");
    QString FilesFound = QStringLiteral("files found");
    QString HexPrefix = QStringLiteral("0x");
};

}  // namespace tervaline::app
