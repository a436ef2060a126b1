// The per-file driver end to end: the account's limits, remote folders of a dropped tree,
// anonymous uploads, files that cannot be read, and the codes of the registration.

#include <unistd.h>

#include <filesystem>

#include "engine_fixture.h"
#include "intake/task_map.h"
#include "platform/text.h"
#include "settings/settings.h"
#include "support/scripted_server.h"
#include "upload/driver.h"
#include "upload/result_codes.h"

namespace upload_test {
namespace {

using namespace norvel::test;

class DriverTest : public EngineTest {
protected:
    // Nothing at all went to the service.
    void ExpectNoRequests() { EXPECT_TRUE(m_Service->Requests().empty()); }

    std::string FolderName(const LoggedRequest& request) {
        const size_t at = request.body.find("\"name\" : \"");
        return at == std::string::npos
                   ? std::string()
                   : request.body.substr(at + 10, request.body.find('"', at + 10) - at - 10);
    }
};

TEST_F(DriverTest, ADroppedTreeMakesItsFoldersInOrderBeforeTheFile) {
    const std::string content = SampleBytes(3000, 11);
    MakeFile("a/b/c.txt", content);
    auto task = MakeTask("a/b/c.txt");

    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    const auto mkdir = RequestsTo("/app/pc/disk.mkdir.php");
    ASSERT_EQ(mkdir.size(), 2u);
    EXPECT_EQ(FolderName(mkdir[0]), "%2Fa");
    EXPECT_EQ(FolderName(mkdir[1]), "%2Fa%2Fb");
    const auto mkfile = RequestsTo("/app/pc/disk.mkfile.php");
    ASSERT_EQ(mkfile.size(), 1u);
    EXPECT_EQ(FolderName(mkfile[0]), "%2Fa%2Fb%2Fc%2Etxt");
    EXPECT_LT(mkdir[1].seq, RequestsTo("/up/up_init")[0].seq);  // folders first
    EXPECT_EQ(RemoteMd5("/a/b/c.txt"), Md5Of(content));
    EXPECT_EQ(LogRecords("make dir ok").size(), 1u);
}

TEST_F(DriverTest, AFolderOfItsOwnIsMadeAndNothingIsUploaded) {
    std::filesystem::create_directories(m_Dir.File("x/empty"));
    auto task = MakeTask("x/empty");
    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    const auto mkdir = RequestsTo("/app/pc/disk.mkdir.php");
    ASSERT_EQ(mkdir.size(), 2u);
    EXPECT_EQ(FolderName(mkdir[1]), "%2Fx%2Fempty");
    EXPECT_EQ(CountRequests("/up/up_init"), 0u);
    EXPECT_EQ(CountRequests("/app/pc/sync.upauth.php"), 0u);
}

TEST_F(DriverTest, ABusyServiceIsAskedAgainForAFolderThenGivenUp) {
    MakeFile("p/f.txt", "content");
    ASSERT_TRUE(
        m_Service->SetFault({.kind = "busy", .path = "/app/pc/disk.mkdir.php", .count = 2}));
    auto task = MakeTask("p/f.txt");
    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(CountRequests("/app/pc/disk.mkdir.php"), 3u);

    MakeFile("q/f.txt", "content");
    ASSERT_TRUE(
        m_Service->SetFault({.kind = "busy", .path = "/app/pc/disk.mkdir.php", .count = 0}));
    auto busy = MakeTask("q/f.txt");
    EXPECT_EQ(upload::UploadFile(*busy), upload::kServiceBusy);
    EXPECT_EQ(busy->m_State, intake::kTaskFailed);
    EXPECT_EQ(CountRequests("/app/pc/disk.mkdir.php"), 3u + 4u);  // one try and three more
    EXPECT_EQ(LogRecords("errorcode=1003").size(), 1u);
    EXPECT_EQ(CountRequests("/up/up_init"), 1u);  // only the first file's
}

TEST_F(DriverTest, AnonymousUploadsSkipTheAccountLimitsAndRegisterNothing) {
    settings::SetMaxFileSize(u"10");
    settings::SetSpaceCapacity(u"10");
    const std::string content = SampleBytes(5000, 12);
    MakeFile("anon.bin", content);
    auto task = MakeTask("anon.bin", intake::kAnonymousUpload);
    ASSERT_EQ(task->m_State, intake::kTaskWaiting);

    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_State, intake::kTaskComplete);
    EXPECT_FALSE(task->m_RemotePath.empty());
    const auto auth = RequestsTo("/app/pc/anon.upauth.php");
    ASSERT_EQ(auth.size(), 1u);
    EXPECT_EQ(auth[0].body.rfind("cname=", 0), 0u);
    EXPECT_EQ(CountRequests("/app/pc/sync.upauth.php"), 0u);
    EXPECT_EQ(CountRequests("/app/pc/disk.mkfile.php"), 0u);
    EXPECT_TRUE(ServiceHolds(content));
}

TEST_F(DriverTest, FilesRefusedBeforeAnyRequest) {
    MakeFile("empty.txt", "");
    for (int32_t kind : {intake::kAccountUpload, intake::kAnonymousUpload}) {
        auto task = MakeTask("empty.txt", kind);
        // Refused when it was made; retried, so that the queue would run it.
        ASSERT_TRUE(intake::SetTaskState(*task, intake::kTaskWaiting));
        EXPECT_EQ(upload::UploadFile(*task), upload::kEmptyFile);
        EXPECT_EQ(task->m_State, intake::kTaskEmptyFile);
    }
    MakeFile("big.bin", SampleBytes(1000, 13));
    auto large = MakeTask("big.bin");
    settings::SetMaxFileSize(u"999");  // the limit became known after the task was made
    EXPECT_EQ(upload::UploadFile(*large), upload::kFileTooLarge);
    EXPECT_EQ(large->m_State, intake::kTaskTooLarge);

    settings::SetMaxFileSize(u"100000");
    settings::SetSpaceCapacity(u"1500");
    settings::SetUsedSpace(u"600");
    auto full = MakeTask("big.bin");
    EXPECT_EQ(upload::UploadFile(*full), upload::kDiskFull);
    EXPECT_EQ(full->m_State, intake::kTaskDiskFull);
    ExpectNoRequests();
    EXPECT_EQ(LogRecords("[Error_File_Size]").size(), 4u);
    EXPECT_EQ(LogRecords("netdisk is full").size(), 1u);
}

TEST_F(DriverTest, FilesThatCannotBeOpenedAreMissingOrLocked) {
    MakeFile("gone.txt", "soon gone");
    auto gone = MakeTask("gone.txt");
    std::filesystem::remove(m_Dir.File("gone.txt"));
    EXPECT_EQ(upload::UploadFile(*gone), upload::kFileNotFound);
    EXPECT_EQ(gone->m_State, intake::kTaskFileMissing);
    EXPECT_EQ(LogRecords("UploadStatus=TASK_STATE_FILE_NO_EXIST").size(), 1u);

    MakeFile("loop", "soon a loop");
    auto locked = MakeTask("loop");
    std::filesystem::remove(m_Dir.File("loop"));
    std::filesystem::create_symlink("loop", m_Dir.File("loop"));  // opening it fails
    EXPECT_EQ(upload::UploadFile(*locked), upload::kFileLocked);
    EXPECT_EQ(locked->m_State, intake::kTaskFileLocked);
    EXPECT_EQ(CountRequests("/up/up_init"), 0u);
}

TEST_F(DriverTest, AFileChangedSinceItWasQueuedIsSentAsItIsNow) {
    MakeFile("edited.txt", "short");
    auto task = MakeTask("edited.txt");
    const std::string now = SampleBytes(7000, 14);
    MakeFile("edited.txt", now);
    EXPECT_EQ(upload::UploadFile(*task), upload::kUploadOk);
    EXPECT_EQ(task->m_FileSize, now.size());
    EXPECT_EQ(RemoteMd5("/edited.txt"), Md5Of(now));
}

TEST_F(DriverTest, ANameTakenOnTheDiskEndsAsFileExists) {
    MakeFile("same.txt", "first content");
    auto first = MakeTask("same.txt");
    ASSERT_EQ(upload::UploadFile(*first), upload::kUploadOk);
    MakeFile("same.txt", "second content");
    auto second = MakeTask("same.txt");
    EXPECT_EQ(upload::UploadFile(*second), upload::kFileExists);
    EXPECT_EQ(second->m_State, intake::kTaskFileExists);
    EXPECT_EQ(second->m_TransferStatus, 5);
    EXPECT_EQ(LogRecords("UploadStatus=TASK_STATE_EXIST_FILE").size(), 1u);
    EXPECT_EQ(RemoteMd5("/same.txt"), Md5Of("first content"));
}

TEST_F(DriverTest, ADiskThatTheServiceFindsFullEndsAsDiskFull) {
    ASSERT_TRUE(m_Service->AddUser("carol", "pw", 1000));
    LogIn("carol", "pw");
    settings::SetSpaceCapacity(u"100000");  // the client's figures are out of date
    const std::string content = SampleBytes(2000, 15);
    MakeFile("toobig.bin", content);
    auto task = MakeTask("toobig.bin");
    EXPECT_EQ(upload::UploadFile(*task), upload::kServiceDiskFull);
    EXPECT_EQ(task->m_State, intake::kTaskDiskFull);
    EXPECT_TRUE(ServiceHolds(content));  // sent, but not registered
    EXPECT_EQ(LogRecords("UploadStatus=TASK_STATE_NETDISK_FULL").size(), 1u);
}

TEST_F(DriverTest, AMissingParentFolderEndsAsParentMissing) {
    // The registration goes to the task's API host: here one that refuses the entry.
    ScriptedServer api(
        {Answer(HttpReply(200,
                          "{\"errno\":\"0\",\"action\":\"false\",\"failList\":[{\"name\":\"%2Fp."
                          "bin\",\"errno\":\"19\",\"error\":\"x\"}]}"))});
    const std::string content = SampleBytes(1500, 16);
    MakeFile("p.bin", content);
    auto task = MakeTask("p.bin");
    task->m_ApiHost = settings::ServiceHost{false, u"127.0.0.1", api.Port(), u""};
    EXPECT_EQ(upload::UploadFile(*task), upload::kParentMissing);
    EXPECT_EQ(task->m_State, intake::kTaskParentMissing);
    ASSERT_EQ(api.Requests().size(), 1u);
    EXPECT_NE(api.Requests()[0].find("POST /app/pc/disk.mkfile.php "), std::string::npos);
    EXPECT_TRUE(ServiceHolds(content));
}

}  // namespace
}  // namespace upload_test
