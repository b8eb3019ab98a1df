#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include "campaign/doc/CVantorDoc.h"
#include "tests/campaign_ui/GuiTestSupport.h"

namespace {

class VantorDocTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    CVantorDoc doc;
};

TEST_F(VantorDocTest, SettersMarkModifiedAndSaveClearsIt) {
    QSignalSpy modified(&doc, &CVantorDoc::modifiedChanged);
    doc.SetNumbersFile(QStringLiteral("/lists/n.txt"));
    EXPECT_TRUE(doc.IsModified());
    doc.SetModifiedFlag(false);
    doc.SetMessage(QStringLiteral("Hi"));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(modified.count(), 3);

    QString error;
    ASSERT_TRUE(doc.OnSaveDocument(Path("c.sms"), error)) << error.toStdString();
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), Path("c.sms"));
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("c.sms"));
    const QByteArray expected = QByteArray::fromHex(
        "2f006c006900730074007300"  // /lists
        "2f006e002e00740078007400"  // /n.txt
        "0d000a00"
        "48006900"  // Hi
        "0d000a00");
    EXPECT_EQ(ReadBytes(Path("c.sms")), expected);
}

TEST_F(VantorDocTest, NewDocumentSavesAsEightBytes) {
    doc.SetMessage(QStringLiteral("x"));
    ASSERT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(doc.GetPathName().isEmpty());
    EXPECT_EQ(doc.GetTitle(), QStringLiteral("Untitled"));
    QString error;
    ASSERT_TRUE(doc.OnSaveDocument(Path("new.sms"), error));
    EXPECT_EQ(ReadBytes(Path("new.sms")), QByteArray("\x0D\x00\x0A\x00\x0D\x00\x0A\x00", 8));
}

TEST_F(VantorDocTest, RoundTripKeepsAMultiLineMessage) {
    doc.SetNumbersFile(QStringLiteral("/home/ana/n\u00FAmeros.txt"));
    doc.SetMessage(QStringLiteral("Line one\r\nLine two\r\n\r\nBye"));
    QString error;
    ASSERT_TRUE(doc.OnSaveDocument(Path("m.sms"), error));
    CVantorDoc other;
    ASSERT_TRUE(other.OnOpenDocument(Path("m.sms"), error)) << error.toStdString();
    EXPECT_EQ(other.m_strNumbersFile, doc.m_strNumbersFile);
    EXPECT_EQ(other.m_strMessage, doc.m_strMessage);
    EXPECT_FALSE(other.IsModified()) << "opening does not modify";
    // Saved again, the file is the same byte for byte.
    ASSERT_TRUE(other.OnSaveDocument(Path("m2.sms"), error));
    EXPECT_EQ(ReadBytes(Path("m2.sms")), ReadBytes(Path("m.sms")));
}

TEST_F(VantorDocTest, UnreadableDocumentLeavesTheOpenOneAlone) {
    doc.m_strNumbersFile = QStringLiteral("/keep/n.txt");
    doc.m_strMessage = QStringLiteral("keep");
    doc.SetModifiedFlag(true);
    ASSERT_TRUE(WriteBytes(Path("odd.sms"), QByteArray("abc")));
    ASSERT_TRUE(WriteBytes(Path("binary.sms"), QByteArray("\x00\x00\x01\x00", 4)));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.sms")));
    for (const char* name : {"missing.sms", "odd.sms", "binary.sms", "folder.sms"}) {
        QString error;
        EXPECT_FALSE(doc.OnOpenDocument(Path(name), error)) << name;
        EXPECT_TRUE(error.startsWith(QStringLiteral("Could Not Open the Campaign Document [") +
                                     Path(name) + QStringLiteral("].")))
            << error.toStdString();
        EXPECT_EQ(doc.m_strNumbersFile, QStringLiteral("/keep/n.txt"));
        EXPECT_EQ(doc.m_strMessage, QStringLiteral("keep"));
        EXPECT_TRUE(doc.IsModified());
        EXPECT_TRUE(doc.GetPathName().isEmpty());
    }
}

#ifndef _WIN32  // FIFOs are POSIX
// A FIFO is refused like a folder, at once: opening it would wait for a
// writer. (If it does wait, the helper thread writes nothing and lets go, so
// that the fault fails the test instead of hanging it.)
TEST_F(VantorDocTest, FifoIsRefusedWithoutWaitingForAWriter) {
    const QByteArray fifo = QFile::encodeName(Path("fifo.sms"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    std::atomic<bool> done{false};
    std::thread releaser([&] {
        const auto patience = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (std::chrono::steady_clock::now() > patience) {
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ::close(fd);
                }
            }
        }
    });
    const auto start = std::chrono::steady_clock::now();
    QString error;
    const bool opened = doc.OnOpenDocument(Path("fifo.sms"), error);
    const auto took = std::chrono::steady_clock::now() - start;
    done = true;
    releaser.join();
    EXPECT_FALSE(opened);
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(error, QStringLiteral("Could Not Open the Campaign Document [%1].\n\nIt is not a "
                                    "Regular File.")
                         .arg(Path("fifo.sms")));
}
#endif

TEST_F(VantorDocTest, FailedSaveKeepsNameAndFlag) {
    doc.SetMessage(QStringLiteral("x"));
    QString error;
    EXPECT_FALSE(doc.OnSaveDocument(Path("no/such/folder/x.sms"), error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.GetPathName().isEmpty());
}

}  // namespace
