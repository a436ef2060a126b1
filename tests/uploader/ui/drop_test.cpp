#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "intake/intake_state.h"
#include "intake/task_map.h"
#include "ui_test_support.h"

using namespace intake;
using ::testing::ElementsAre;
using ui_test::UiTest;
using ui_test::Utf8;

namespace {

class DropTest : public UiTest {
protected:
    // Drops the addresses on the main window as a file manager does; true when the
    // window accepted the drag.
    bool Drop(const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at(100, 100);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&Main(), &enter);
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
        QCoreApplication::sendEvent(&Main(), &drop);
        return enter.isAccepted();
    }

    QUrl Local(const std::string& relative) {
        return QUrl::fromLocalFile(QString::fromStdString(m_Dir.File(relative)));
    }

    // "directory|name" of every task, in id order.
    std::vector<std::string> Entries() {
        std::vector<std::string> entries;
        for (const int32_t id : TaskIds()) {
            const auto view = GetTaskView(id);
            entries.push_back(Utf8(view->dir) + "|" + Utf8(view->name));
        }
        return entries;
    }
};

}  // namespace

TEST_F(DropTest, ADroppedFileAndADroppedFolderGiveTheirEntries) {
    MakeFile("A/single.txt");
    MakeFile("A/Photos/2011/a.jpg");
    MakeFile("A/Photos/b.jpg");
    MakeFile("A/Photos/desktop.ini");  // refused by the filter
    EXPECT_TRUE(Drop({Local("A/single.txt"), Local("A/Photos")}));
    ASSERT_TRUE(WaitFor([&] { return Rows().Count() == 3; }));
    const std::string dir = m_Dir.File("A");
    EXPECT_THAT(Entries(), ElementsAre(dir + "|single.txt", dir + "|Photos/2011/a.jpg",
                                       dir + "|Photos/b.jpg"));
    EXPECT_EQ(Utf8(Rows().Row(10002)->Name()), "a.jpg");
    EXPECT_EQ(Utf8(Rows().Row(10002)->RemotePath()), "Photos/2011");
    EXPECT_EQ(m_Ui->Counters().Get().total, 3);
    EXPECT_TRUE(Main().isVisible());
}

TEST_F(DropTest, AddressesThatAreNoLocalFilesAreNotTaken) {
    EXPECT_FALSE(Drop({QUrl("https://example.com/a.txt")}));
    m_Ui->WaitForDiskWork();
    ProcessEvents();
    EXPECT_TRUE(TaskIds().empty());
}

TEST_F(DropTest, AFolderOfOnlyRefusedFilesAddsNothing) {
    MakeFile("B/Thumbs.db");
    MakeFile("B/~$doc.docx");
    EXPECT_TRUE(Drop({Local("B")}));
    m_Ui->WaitForDiskWork();
    ProcessEvents();
    m_Ui->WaitForDiskWork();
    ProcessEvents();
    EXPECT_TRUE(TaskIds().empty());
    EXPECT_EQ(Rows().Count(), 0);
}
