// The texts the window composes its messages and status lines from, and the
// captions of its message boxes' buttons. A language file may replace each.
#pragma once

#include <QString>

#include "app/UserDialogs.h"

namespace tervaline::app {

struct TInterfaceTexts {
    QString NoFile = QStringLiteral("File doesn't exist");
    QString NowScan = QStringLiteral("Now scanning");
    QString CanStop = QStringLiteral("Do you really want to stop?");
    QString FoundData = QStringLiteral("Found data in address");
    QString FilesFound = QStringLiteral("files found");
    QString HexPrefix = QStringLiteral("0x");

    // Followed by an empty line and the reason.
    QString ScanFailed = QStringLiteral("The scan ended early:");
    // %1 the count; followed by an empty line and a line for each message,
    // its offset and why.
    QString Unwritten = QStringLiteral("%1 messages could not be written:");
    QString UnwrittenOne = QStringLiteral("A message could not be written:");
    // %1 how many messages the list leaves out.
    QString UnwrittenMore = QStringLiteral("... and %1 more.");
    // %1 the count of messages written as NAME~1.eml beside files of the
    // same name with other bytes, which were kept.
    QString WrittenBeside = QStringLiteral(
        "%1 messages met files of the same name with other bytes in the output folder. The files there were kept "
        "and the messages written beside them, as NAME~1.eml (~2, ...).");
    QString WrittenBesideOne = QStringLiteral(
        "A message met a file of the same name with other bytes in the output folder. The file there was kept "
        "and the message written beside it, as NAME~1.eml.");
    // %1 the count of temporary files removed.
    QString LeftoversRemoved =
        QStringLiteral("Temporary files left by an earlier scan that was cut short were removed: %1.");
    // %1 the bytes of the store the disk could not read, %2 in how many
    // places.
    QString Unreadable = QStringLiteral(
        "The disk could not read parts of the store, so the messages that lay there are lost or cut short. "
        "Unreadable bytes: %1; places: %2.");
    QString NoSignature = QStringLiteral(
        "No mail store signature was found at the start of the file, and no message in it: it may not be a "
        "mail store.");
    // Followed by an empty line and the refused text in quotes.
    QString BadBuffer = QStringLiteral("The buffer must be a whole number of KB from 1 to 5000.");
    // %1 the language file, %2 its key; followed by the error's own text.
    QString BadLanguage =
        QStringLiteral("The language file \"%1\" has a bad value for %2, so its texts and font are not used.");
    // The end of a scan: %1 messages in the output folder, %2 in the trash;
    // %1 the time the scan took; for a stopped scan %1 how far it got, in
    // percent, and %2 the time.
    QString MailTrash = QStringLiteral("(%1 mail, %2 trash)");
    QString Finished = QStringLiteral("Finished in %1");
    QString Stopped = QStringLiteral("Stopped at %1% after %2");
    QString OpenFolder = QStringLiteral("Open output folder");
    // Followed by an empty line and the folder.
    QString OpenFailed = QStringLiteral("The folder could not be opened:");
    // Followed by an empty line and the reason.
    QString ReportFailed = QStringLiteral("The report or the mbox file could not be written:");

    TDialogTexts Dialogs;
};

}  // namespace tervaline::app
