// Every text the window shows, in UTF-8, with the built-in English ones as
// defaults, and the language-file key of each. A language file may replace
// any of them; the key table is the one list of what a language file holds.
//
// "%1", "%2" in a text stand for the values named beside it (FormatText).
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace tervaline::ui {

struct TInterfaceTexts {
    // Captions of the controls; '&' marks the access key.
    std::string InputFile = "&Input File :";
    std::string BrowseFile = "&Browse File";
    // The open-file dialog's filter: "Description|pattern|Description|pattern".
    std::string Filter = "DBX File (*.dbx)|*.dbx|All Types (*.*)|*.*";
    std::string OutputFolder = "&Output Folder :";
    std::string BrowseFolder = "Browse &Folder";
    std::string SelectFolder = "Select Output Folder";
    std::string TrashFolder = "&Trash Folder :";
    std::string DefaultTrashFolder = "trash";
    std::string ScanMode = "Scan &Mode :";
    std::string ShallowMode = "Shallow Mode";
    std::string BottomMode = "Bottom Mode";
    std::string DeepMode = "Deep Mode";
    std::string Buffer = "B&uffer :";
    std::string Status = "Status :";
    std::string Start = "&Start";
    std::string Abort = "&Abort";
    std::string Close = "&Close";
    std::string OpenFolder = "Open output folder";
    // The context menu's choices.
    std::string WriteMbox = "Also write an &mbox file";
    std::string MboxAll = "Keep &identical messages in the mbox file";
    std::string HashStore = "&Hash the store in the report (reads it once more)";

    // Followed by an empty line and the path in quotes.
    std::string NoFile = "File doesn't exist";
    // Followed by an empty line and the folder in quotes.
    std::string NoStores = "The folder holds no .dbx store";
    std::string NowScan = "Now scanning";
    std::string CanStop = "Do you really want to stop?";
    // During a scan: %1 the messages written so far.
    std::string FoundSoFar = "%1 messages found";
    // %1 the share done in percent.
    std::string PercentDone = "%1% done";
    // %1 the share done in percent, %2 the time still needed.
    std::string TimeLeft = "%1% done, %2 left";
    // %1 the store being scanned, %2 its number, %3 how many stores the folder holds.
    std::string StoreOfFolder = "%1 (%2 of %3)";
    std::string FilesFound = "files found";
    std::string HexPrefix = "0x";

    // Followed by an empty line and the reason.
    std::string NotStarted = "The scan did not start:";
    std::string ScanFailed = "The scan ended early:";
    // %1 the count; followed by an empty line and a line for each message,
    // its offset and why.
    std::string Unwritten = "%1 messages could not be written:";
    std::string UnwrittenOne = "A message could not be written:";
    // %1 how many messages the list leaves out.
    std::string UnwrittenMore = "... and %1 more.";
    // %1 the count of messages written as NAME~1.eml beside files of the
    // same name with other bytes, which were kept.
    std::string WrittenBeside =
        "%1 messages met files of the same name with other bytes in the output folder. The files there were kept "
        "and the messages written beside them, as NAME~1.eml (~2, ...).";
    std::string WrittenBesideOne =
        "A message met a file of the same name with other bytes in the output folder. The file there was kept "
        "and the message written beside it, as NAME~1.eml.";
    // %1 the count of temporary files removed.
    std::string LeftoversRemoved = "Temporary files left by an earlier scan that was cut short were removed: %1.";
    // %1 the bytes of the store the disk could not read, %2 in how many places.
    std::string Unreadable =
        "The disk could not read parts of the store, so the messages that lay there are lost or cut short. "
        "Unreadable bytes: %1; places: %2.";
    std::string NoSignature =
        "No mail store signature was found at the start of the file, and no message in it: it may not be a "
        "mail store.";
    // %1 the messages in the trash folder, %2 all written.
    std::string TrashHoldsMost =
        "%1 of the %2 files written went to the trash folder: blocks that hold no mail (index records, "
        "fragments), kept in case they hold something. The mail is in the output folder.";
    // How complete a salvage is by the store's own records: %1 the messages
    // the store lists, %2 of them recovered, %3 found that it no longer
    // lists, %4 of those undeleted.
    std::string Completeness =
        "The store lists %1 messages; %2 of them recovered; %3 more found that it no longer lists (%4 deleted).";
    // Followed by an empty line and the reason.
    std::string ReportFailed = "The report or the mbox file could not be written:";
    // Followed by an empty line and the refused text in quotes.
    std::string BadBuffer = "The buffer must be a whole number of KB from 1 to 5000.";
    // %1 the language file, %2 its key; followed by the error's own text.
    std::string BadLanguage = "The language file \"%1\" has a bad value for %2, so its texts and font are not used.";
    // The end of a scan: %1 messages in the output folder, %2 in the trash;
    // %1 the time the scan took; for a stopped scan %1 how far it got, in
    // percent, and %2 the time.
    std::string MailTrash = "(%1 mail, %2 trash)";
    std::string Finished = "Finished in %1";
    std::string Stopped = "Stopped at %1% after %2";
    std::string EndedEarly = "Ended early after %1";
    std::string DidNotStart = "Did not start";
    // Followed by an empty line and the folder.
    std::string OpenFailed = "The folder could not be opened:";

    // Message boxes' buttons and the open-file dialog's labels.
    std::string Ok = "OK";
    std::string Yes = "&Yes";
    std::string No = "&No";
    std::string Cancel = "Cancel";
    std::string Open = "&Open";
    std::string LookIn = "Look in:";
    std::string FileName = "File &name:";
    std::string FileType = "Files of type:";

    bool operator==(const TInterfaceTexts&) const = default;
};

struct TTextKey {
    std::string_view Key;
    std::string TInterfaceTexts::*Text;
};

// Every key a language file may hold for a text, in the order of the
// struct. The font's keys (Font.Name and so on) are read apart.
std::span<const TTextKey> TextKeys();

// Text with "%1", "%2", ... replaced by the arguments in order; any other
// '%' stays as it is.
std::string FormatText(std::string_view text, std::initializer_list<std::string_view> arguments);

}  // namespace tervaline::ui
