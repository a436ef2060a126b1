// The engine against a service that answers out of the ordinary: scripted replies for the
// authorization and the upload dialogue. Whatever the replies, a file ends complete only
// when the service confirmed it, ranges are checked before anything is read or allocated,
// and every loop that the service leads is bounded.

#include <unistd.h>

#include <memory>

#include "intake/upload_context.h"
#include "net_test_support.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "settings/settings.h"
#include "support/scripted_server.h"
#include "support/test_env.h"
#include "upload/credentials.h"
#include "upload/driver.h"
#include "upload/engine_timings.h"
#include "upload/remote.h"
#include "upload/result_codes.h"
#include "upload/upload_run.h"

namespace upload_test {
namespace {

using namespace norvel::test;

std::string Json(const std::string& body) {
    return HttpReply(200, body);
}

class RepliesTest : public net_test::NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        upload::ResetUploadCredentials();
        upload::SetEngineTimings(
            {.resendWaitMs = 5, .folderRetryWaitMs = 5, .speedLimitRefreshMs = 0});
    }
    void TearDown() override {
        upload::ResetUploadCredentials();
        upload::SetEngineTimings({});
        NetTest::TearDown();
    }

    // The upload host answers request n with replies[n]; the API host hands it out.
    void Serve(std::vector<std::string> replies, const std::string& scheme = "http://") {
        upload::ResetUploadCredentials();  // ask the new API host
        std::vector<ScriptedReply> script;
        for (std::string& reply : replies)
            script.push_back(Answer(std::move(reply)));
        m_Upload = std::make_unique<ScriptedServer>(std::move(script));
        m_Api = std::make_unique<ScriptedServer>(std::vector<ScriptedReply>{
            Answer(Json("{\"errno\":\"0\",\"kdw_tstr\":\"T\",\"secret\":\"S\",\"url\":\"" + scheme +
                        "127.0.0.1:" + std::to_string(m_Upload->Port()) + "\"}"))});
        settings::WriteString(settings::kNorvelKey, settings::kApiHost,
                              u"127.0.0.1:" + platform::Utf8ToWide(std::to_string(m_Api->Port())));
    }

    // An anonymous upload of a file of that many bytes ("abcdefghij..." repeated).
    int Run(size_t size) {
        std::string bytes(size, 'a');
        for (size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>('a' + i % 26);
        norvel::test::WriteFile(m_Dir.File("f.bin"), bytes);
        return RunTask(intake::CreateUploadContext(platform::Utf8ToWide(m_Dir.Path()), u"f.bin",
                                                   platform::kNoWindow, intake::kAnonymousUpload));
    }

    // Runs the driver on the task, keeping the run's record to look at.
    int RunTask(std::unique_ptr<intake::UploadContext> task) {
        m_Run.reset();
        m_Task = std::move(task);
        m_Run = std::make_unique<upload::UploadRun>(*m_Task);
        return upload::RunUpload(*m_Run);
    }

    // Requests the upload host received, by the start of their request line.
    size_t UploadRequests(const std::string& start = "POST ") {
        size_t count = 0;
        for (const std::string& request : m_Upload->Requests())
            count += request.rfind(start, 0) == 0;
        return count;
    }

    void ExpectFailed(int result, int expected = upload::kUploadFailed) {
        EXPECT_EQ(result, expected);
        EXPECT_EQ(m_Task->m_State, intake::kTaskFailed);
        EXPECT_EQ(m_Task->m_TransferStatus, 5);
        EXPECT_FALSE(m_Run->m_File);
    }

    norvel::test::TempDir m_Dir;
    std::unique_ptr<ScriptedServer> m_Upload;
    std::unique_ptr<ScriptedServer> m_Api;
    std::unique_ptr<intake::UploadContext> m_Task;
    std::unique_ptr<upload::UploadRun> m_Run;  // of m_Task
};

TEST_F(RepliesTest, AFinishedReplyCompletesWithTheRemotePathAsSent) {
    Serve({Json("{\"kdw_upcmd\":\"UPSTAT\",\"kdw_upstat\":\"FIN\",\"kdw_path\":\"/f/上传 ü\"}")});
    EXPECT_EQ(Run(100), upload::kUploadOk);
    EXPECT_EQ(m_Task->m_State, intake::kTaskComplete);
    EXPECT_EQ(m_Task->m_RemotePath, u"/f/上传 ü");
    EXPECT_EQ(m_Task->m_DoneSize, 100u);
    // The upload host "http://127.0.0.1:port" was reached at its port.
    ASSERT_EQ(m_Upload->Requests().size(), 1u);
    EXPECT_EQ(net_test::RequestLine(m_Upload->Requests()[0]), "POST /up/up_init HTTP/1.1");
    EXPECT_EQ(upload::GetUploadCredentials(intake::kAnonymousUpload).UploadHost,
              u"127.0.0.1:" + platform::Utf8ToWide(std::to_string(m_Upload->Port())));
}

TEST_F(RepliesTest, RepliesThatEndTheDialogueWithoutTheFileFailIt) {
    Serve({Json("{\"kdw_upcmd\":\"SOMETHING\"}")});
    ExpectFailed(Run(100), upload::kUnexpectedCommand);
    Serve({Json("{\"kdw_upcmd\":\"UPSTAT\",\"kdw_upstat\":\"BUSY\"}")});
    ExpectFailed(Run(100), upload::kUnexpectedCommand);
    Serve({Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"0-9\"}"),
           Json("{\"kdw_upcmd\":\"UPSTAT\",\"kdw_upstat\":\"BUSY\"}")});
    ExpectFailed(Run(100));
    Serve({Json("{\"kdw_upcmd\":\"REQTBLK\"}")});  // no range
    ExpectFailed(Run(100));
    EXPECT_EQ(LogRecords("DESC=UploadData Json error!").size(), 1u);
    EXPECT_EQ(LogRecords("UploadStatus=TASK_STATE_ERROR").size(), 4u);
}

// Each control request logs a reply it cannot read (no JSON, or a member missing) under
// its own event and fails the file; nothing that follows is sent.
TEST_F(RepliesTest, ControlRepliesThatCannotBeReadFailUnderTheirOwnEvent) {
    Serve({Json("not json")});
    ExpectFailed(Run(100));
    Serve({Json("{\"kdw_upcmd\":\"REQTCON\",\"kdw_range\":\"0-9\"}"), Json("{}")});
    ExpectFailed(Run(100));
    Serve({Json("{\"kdw_upcmd\":\"REQTSEG\",\"kdw_segsize\":\"40\"}"),
           Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"0-9\"}")});  // no kdw_fid
    ExpectFailed(Run(100));
    EXPECT_EQ(UploadRequests("POST /up/up_blk"), 0u);
    const auto start = LogRecords("[UPLOAD_CallInterFace]");
    ASSERT_EQ(start.size(), 1u);
    EXPECT_NE(start[0].find("DESC=UploadData Json error!"), std::string::npos);
    EXPECT_NE(start[0].find("Body=not json"), std::string::npos);
    const auto fast = LogRecords("[UPLOAD_Fast]");
    ASSERT_EQ(fast.size(), 1u);
    EXPECT_NE(fast[0].find("DESC=UploadData Json error!"), std::string::npos);
    const auto segments = LogRecords("[UPLOAD_Seg]");
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_NE(segments[0].find("DESC=UploadSeg json error!"), std::string::npos);
}

TEST_F(RepliesTest, AStatusOtherThan200FailsTheFile) {
    Serve({HttpReply(500, "{\"error\":\"oops\"}")});
    ExpectFailed(Run(100));
    const auto records = LogRecords("DESC=UploadData feedback code error!");
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].find("errorcode=500"), std::string::npos);
}

TEST_F(RepliesTest, RangesOutsideTheFileOrTooLargeAreNeverRead) {
    for (const char* range : {"0-100", "50-10", "abc", "-5", "0-18446744073709551615"}) {
        Serve({Json(std::string("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"") + range + "\"}")});
        ExpectFailed(Run(100));
        EXPECT_EQ(UploadRequests("POST /up/up_blk"), 0u) << range;
    }
    // A range inside a large file but above the largest block (64 MiB) is not allocated.
    const std::string path = m_Dir.File("f.bin");
    Serve({Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"0-67108864\"}")});
    norvel::test::WriteFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), (64 << 20) + 10), 0);
    ExpectFailed(
        RunTask(intake::CreateUploadContext(platform::Utf8ToWide(m_Dir.Path()), u"f.bin",
                                            platform::kNoWindow, intake::kAnonymousUpload)));
    EXPECT_EQ(UploadRequests("POST /up/up_blk"), 0u);
    EXPECT_EQ(LogRecords("DESC=UploadBlock range error!").size(), 6u);
}

TEST_F(RepliesTest, ASegmentThatIsInNoEntryEndsTheSegmentLoop) {
    Serve({Json("{\"kdw_upcmd\":\"REQTSEG\",\"kdw_segsize\":\"40\"}"),
           Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_fid\":\"ffffffffffffffffffffffffffffffff\",\"kdw_"
                "range\":\"0-9\"}")});
    ExpectFailed(Run(100));
    EXPECT_EQ(m_Run->m_Segments.size(), 3u);
    EXPECT_EQ(UploadRequests(), 2u);
    EXPECT_EQ(LogRecords("DESC=UploadSeg segment not in the list!").size(), 1u);
}

TEST_F(RepliesTest, RefusedContentChecksOfASegmentAreRepeatedAFewTimesOnly) {
    const std::string first40 = "abcdefghijklmnopqrstuvwxyzabcdefghijklmn";
    Serve({Json("{\"kdw_upcmd\":\"REQTSEG\",\"kdw_segsize\":\"40\"}"),
           Json("{\"kdw_upcmd\":\"REQTCON\",\"kdw_fid\":\"" + net_test::Md5HexOf(first40) +
                "\",\"kdw_range\":\"0-9\"}"),
           HttpReply(400, "{\"errno\":\"7\",\"error\":\"proof failed\"}")});
    ExpectFailed(Run(100));
    EXPECT_EQ(UploadRequests("POST /up/up_retcon"), 3u);
    EXPECT_EQ(m_Task->m_Stage, 0);
}

TEST_F(RepliesTest, AServiceAskingForTheSameRangeOverAndOverIsLeft) {
    const std::string again = Json(
        "{\"kdw_upcmd\":\"REQTBLK\",\"kdw_fid\":\"x\",\"kdw_range\":\"0-9\",\"kdw_fstat\":{"
        "\"RSIZE\":\"0\"}}");
    Serve({Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"0-9\"}"), again});
    ExpectFailed(Run(100));
    EXPECT_EQ(UploadRequests("POST /up/up_blk"), 3u);
}

TEST_F(RepliesTest, AnEmptyAnswerToABlockIsSentAgainThreeTimesThenGivenUp) {
    Serve({Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"0-99\"}"), Json("")});
    ExpectFailed(Run(100));
    EXPECT_EQ(UploadRequests("POST /up/up_blk"), 4u);
    EXPECT_EQ(LogRecords("DESC=InternetReadFile NULL!").size(), 1u);
    EXPECT_EQ(LogRecords("DESC=UploadBlock relupload code error!").size(), 1u);
}

TEST_F(RepliesTest, BlockRepliesWithoutTheirMembersFail) {
    Serve({Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"0-49\"}"),
           Json("{\"kdw_upcmd\":\"REQTBLK\",\"kdw_range\":\"50-99\"}")});  // no kdw_fstat
    ExpectFailed(Run(100));
    EXPECT_EQ(LogRecords("DESC=UploadBlock json error!").size(), 1u);
}

class AuthorizationTest : public RepliesTest {
protected:
    int Authorize(const std::string& reply, int status = 200) {
        ScriptedServer api({Answer(HttpReply(status, reply))});
        settings::WriteString(settings::kNorvelKey, settings::kApiHost,
                              u"127.0.0.1:" + platform::Utf8ToWide(std::to_string(api.Port())));
        m_Connections = 0;
        const int result = upload::AuthorizeUpload(intake::kAccountUpload);
        m_Connections = api.Connections();
        return result;
    }
    size_t m_Connections = 0;
};

TEST_F(AuthorizationTest, ATicketWithoutSecretIsNotKept) {
    EXPECT_EQ(Authorize("{\"errno\":\"0\",\"kdw_tstr\":\"T\",\"secret\":\"\",\"url\":\"h\"}"),
              upload::kUploadFailed);
    EXPECT_FALSE(upload::GetUploadCredentials(intake::kAccountUpload).Complete());
    EXPECT_EQ(Authorize("{\"errno\":\"0\",\"secret\":\"S\",\"url\":\"h\"}"), upload::kUploadFailed);
    EXPECT_EQ(Authorize("not json"), upload::kUploadFailed);
}

TEST_F(AuthorizationTest, ABusyServiceIsReportedWhateverTheStatus) {
    EXPECT_EQ(Authorize("{\"errno\":\"2\",\"kdw_tstr\":\"T\",\"secret\":\"S\",\"url\":\"h\"}"),
              upload::kServiceBusy);
    EXPECT_EQ(Authorize("{\"errno\":\"2\",\"error\":\"busy\"}", 400), upload::kServiceBusy);
    EXPECT_EQ(Authorize("{\"errno\":\"3\",\"error\":\"token\"}", 400), upload::kUploadFailed);
    EXPECT_EQ(Authorize("{}", 503), upload::kUploadFailed);
}

TEST_F(AuthorizationTest, ACompleteSetIsKeptAndNotAskedForAgain) {
    EXPECT_EQ(Authorize("{\"kdw_tstr\":\"T\",\"secret\":\"S\",\"url\":\"HTTP://up.example.net\"}"),
              upload::kUploadOk);
    EXPECT_EQ(m_Connections, 1u);
    const upload::UploadCredentials kept = upload::GetUploadCredentials(intake::kAccountUpload);
    EXPECT_EQ(kept.Tstr, "T");
    EXPECT_EQ(kept.Secret, "S");
    EXPECT_EQ(kept.UploadHost, u"HTTP://up.example.net");  // only "http://" is removed
    EXPECT_EQ(Authorize("{\"kdw_tstr\":\"T2\",\"secret\":\"S2\",\"url\":\"h2\"}"),
              upload::kUploadOk);
    EXPECT_EQ(m_Connections, 0u);
    EXPECT_EQ(upload::GetUploadCredentials(intake::kAccountUpload).Tstr, "T");
    EXPECT_FALSE(upload::GetUploadCredentials(intake::kAnonymousUpload).Complete());
}

class RegistrationTest : public RepliesTest {
protected:
    // Registers m_Entry with an API host that answers the reply; returns the result.
    int Register(const std::string& reply) {
        ScriptedServer api({Answer(HttpReply(200, reply))});
        intake::UploadContext task;
        task.m_Dir = u"/d";
        task.m_ApiHost = settings::ServiceHost{false, u"127.0.0.1", api.Port(), u""};
        task.m_hStopEvent = std::make_unique<platform::Event>(platform::Event::ResetMode::Manual);
        upload::UploadRun run(task);
        run.m_RemotePath = u"/f/0a1b";
        return upload::RegisterRemote(m_Entry, run);
    }

    static std::string Refusal(const std::string& item) {
        return R"({"errno":"0","action":"false","failList":[)" + item + "]}";
    }

    // A file as the driver describes it before registering it.
    static upload::RemoteFileEntry Local(std::u16string path, bool folder) {
        upload::RemoteFileEntry entry;
        entry.m_Path = std::move(path);
        entry.m_CreateTime = 10;
        entry.m_ModifyTime = 20;
        entry.m_IsFolder = folder;
        if (!folder) {
            entry.m_Size = 3;
            entry.m_Md5 = "00000000000000000000000000000000";
        }
        return entry;
    }

    upload::RemoteFileEntry m_Entry = Local(u"/d/a.txt", false);
};

TEST_F(RegistrationTest, TheRefusalOfAFileCarriesTheStoredFileIntoTheEntry) {
    EXPECT_EQ(Register(Refusal(
                  R"({"name":"%2Fa%2Etxt","errno":"25","error":"name exists",)"
                  R"("md5":"0123456789abcdef0123456789abcdef",)"
                  R"("size":"18446744073709551615","ctime":"1330837567","mtime":"1330837568"})")),
              upload::kFileExists);
    EXPECT_EQ(m_Entry.m_Md5, "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(m_Entry.m_Size, 18446744073709551615ull);
    EXPECT_EQ(m_Entry.m_CreateTime, 1330837567);
    EXPECT_EQ(m_Entry.m_ModifyTime, 1330837568);

    // An item without them (a missing parent) changes nothing and is still understood.
    EXPECT_EQ(
        Register(Refusal(R"({"name":"%2Fa%2Etxt","errno":"19","error":"parent folder missing"})")),
        upload::kParentMissing);
    EXPECT_EQ(m_Entry.m_Size, 18446744073709551615ull);

    // A folder keeps its own description.
    m_Entry = Local(u"/d/b", true);
    EXPECT_EQ(
        Register(Refusal(
            R"({"name":"%2Fb","errno":"25","error":"x","md5":"0123456789abcdef0123456789abcdef",)"
            R"("size":"7","ctime":"1","mtime":"2"})")),
        upload::kFileExists);
    EXPECT_EQ(m_Entry.m_Size, 0u);
    EXPECT_EQ(m_Entry.m_CreateTime, 10);
    EXPECT_TRUE(m_Entry.m_Md5.empty());
}

}  // namespace
}  // namespace upload_test
