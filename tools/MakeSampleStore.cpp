// tervaline-mkstore: writes the bundled sample, a small damaged mail store
// whose contents samples/README.md describes. The output is deterministic.
#include <cstdio>
#include <exception>
#include <string>

#include "tools/StoreBuilder.h"

using tervaline::tools::MakeMailText;
using tervaline::tools::TStoreBuilder;

namespace {

std::string Mail(const std::string& from, const std::string& to, const std::string& subject,
                 const std::string& body) {
    return "From: " + from + "\r\nTo: " + to + "\r\nSubject: " + subject +
           "\r\nDate: Tue, 17 Jun 2003 09:12:44 +0900\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=us-ascii\r\n\r\n" +
           body;
}

// A Japanese message as mail programs send it: ISO-2022-JP in the body, the
// subject in an encoded word.
std::string JapaneseMail() {
    return "From: yamada@example.jp\r\nTo: suzuki@example.jp\r\n"
           "Subject: =?ISO-2022-JP?B?GyRCMnE1RCRON28bKEI=?=\r\n"
           "Date: Wed, 18 Jun 2003 15:02:10 +0900\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
           "Content-Transfer-Encoding: 7bit\r\n\r\n"
           "\x1b$B;3ED$G$9!#Mh=5$N2q5D$O?eMKF|$N8a8e;0;~$+$i$G$9!#;qNA$rE:IU$7$^$9!#\x1b(B\r\n";
}

TStoreBuilder BuildSample() {
    TStoreBuilder store(true);
    // 1: a short note, one block, right behind the store header (0x2AD4).
    store.AddMessage(Mail("ann@example.com", "bob@example.org", "Lunch",
                          "Shall we meet at noon on Friday?\r\n"));
    // 2: a longer message of three blocks.
    store.AddMessage(MakeMailText(2, 1300));
    // 3: a Japanese message.
    store.AddMessage(JapaneseMail());
    // Where the store's indexes stood, the damage left zeros.
    store.AddZeros(4096);
    // 4: a message written in capitals and without blanks, with Reply-To.
    store.AddMessage("FROM:carol@example.net\r\nTO:dave@example.com\r\nREPLY-TO:carol@example.net\r\n"
                     "SUBJECT:TICKETS\r\n\r\nTWO SEATS BOOKED FOR SATURDAY.\r\n");
    // 5: a chain that is not mail: a folder record without any address.
    store.AddMessage("X-Folder-Record: Inbox\r\nItems: 42\r\nUnread: 3\r\nLast-Compact: 2003-06-01\r\n");
    // Unrelated bytes between chains.
    store.AddNoise(1000, 7);
    store.Align(4);
    // 6: a four-block message whose third block was overwritten: the first
    // two blocks come back, the rest is lost.
    {
        const std::string text = MakeMailText(6, 1900);
        auto blocks = TStoreBuilder::ChainBlocks(store.End(), text);
        blocks[2].Size = 0x1F3A;  // damaged header
        store.AddBlocks(blocks);
    }
    // 7: an ordinary message of two blocks.
    store.AddMessage(MakeMailText(7, 800));
    // 8: only a From: line carries an address.
    store.AddMessage("From: erin@example.org\r\nSubject: Minutes\r\nTo: the team\r\n\r\n"
                     "The minutes of Monday's call are below.\r\n");
    // 9: a message moved two bytes off its recorded place, as a partial
    // copy leaves it: Shallow mode cannot see it, Bottom mode recovers it.
    store.AddZeros(2);
    {
        const std::uint32_t recorded = store.End() - 2;
        auto blocks = TStoreBuilder::ChainBlocks(recorded, MakeMailText(9, 700));
        store.AddBlocks(blocks);
    }
    store.AddZeros(2);
    // 10: a one-line message whose address sits on the line after To:.
    store.AddMessage("To:\r\n  grace@example.com\r\nSubject: wrapped header\r\n\r\nHello.\r\n");
    // 11 and 12: two more ordinary messages.
    store.AddMessage(MakeMailText(11, 450));
    store.AddMessage(MakeMailText(12, 2100));
    // 14: a message the mail program moved when it compacted the store: its
    // first two blocks stand here, its third behind the next message, joined
    // only by a Next pointer. Deep mode gets it back whole; the other modes
    // find its first two blocks, and its third alone.
    {
        const std::string moved = MakeMailText(14, 1200);
        const std::string between = MakeMailText(15, 300);
        const std::uint32_t first = store.End();
        const std::uint32_t third = first + 3 * 528;  // behind the one-block message between
        auto blocks = TStoreBuilder::ChainBlocksAt({first, first + 528, third}, moved);
        store.AddBlocks({blocks[0], blocks[1]});
        store.AddMessage(between);
        store.AddBlocks({blocks[2]});
    }
    // 16: a message the user deleted, its blocks not yet reused: only Deep
    // mode finds it, and puts it in the deleted subfolder.
    {
        auto blocks = TStoreBuilder::ChainBlocks(store.End(), MakeMailText(16, 900));
        TStoreBuilder::MarkDeleted(blocks);
        store.AddBlocks(blocks);
    }
    // 13: the last message, of three blocks; main cuts the store inside it.
    store.AddMessage(MakeMailText(13, 1500));
    return store;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tervaline-mkstore OUTPUT.dbx\n");
        return 2;
    }
    try {
        TStoreBuilder store = BuildSample();
        std::string bytes = store.Str();
        bytes.resize(bytes.size() - 700);  // cut inside the last message
        TStoreBuilder cut(false);
        cut.AddBytes(bytes);
        cut.WriteTo(argv[1]);
        std::printf("wrote %s (%zu bytes)\n", argv[1], bytes.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tervaline-mkstore: %s\n", e.what());
        return 1;
    }
    return 0;
}
