#include "control/control_protocol.h"

#include <gtest/gtest.h>

#include <string>

#include "intake/messages.h"

using namespace control;

TEST(ControlProtocol, RequestsAreLinesOfTextAndReadBackWhole) {
    ControlRequest request;
    request.target = {TargetKind::Title, u"设置\nsecond line\\"};
    request.message = intake::WM_ACCOUNT_COMMAND;
    request.wParam = 18446744073709551615ull;
    request.lParam = -5;
    const std::string text = EncodeRequest(request);
    EXPECT_EQ(text,
              "norvel-control 1\n"
              "request=send\n"
              "target-title=设置\\nsecond line\\\\\n"
              "message=1526\n"
              "wparam=18446744073709551615\n"
              "lparam=-5\n");
    const auto back = DecodeRequest(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, ControlRequest::Kind::Send);
    EXPECT_EQ(back->target.kind, TargetKind::Title);
    EXPECT_EQ(back->target.name, request.target.name);
    EXPECT_EQ(back->message, request.message);
    EXPECT_EQ(back->wParam, request.wParam);
    EXPECT_EQ(back->lParam, request.lParam);

    ControlRequest status;
    status.kind = ControlRequest::Kind::Status;
    EXPECT_EQ(EncodeRequest(status), "norvel-control 1\nrequest=status\n");
    EXPECT_EQ(DecodeRequest(EncodeRequest(status))->kind, ControlRequest::Kind::Status);
}

TEST(ControlProtocol, MalformedRequestsAreRefused) {
    for (const char* text : {
             "",
             "request=status\n",                    // no protocol line
             "norvel-control 2\nrequest=status\n",  // another version
             "norvel-control 1\nrequest=send\nmessage=16\nwparam=0\nlparam=0\n",  // no target
             "norvel-control 1\nrequest=send\ntarget-property=p\nmessage=x\nwparam=0\nlparam=0\n",
             "norvel-control 1\nrequest=send\ntarget-property=p\nmessage=16\nwparam=-1\nlparam=0\n",
             "norvel-control 1\nrequest=send\ntarget-property=p\nmessage=16\nwparam=0\n",
             "norvel-control "
             "1\nrequest=send\ntarget-property=a\\qb\nmessage=16\nwparam=0\nlparam=0\n",
             "norvel-control 1\nno equals sign\n",
             "norvel-control 1\nrequest=launch\n",
         })
        EXPECT_FALSE(DecodeRequest(text)) << text;
    EXPECT_FALSE(DecodeRequest("norvel-control 1\nrequest=status\n" + std::string(70000, '#')));
}

TEST(ControlProtocol, RepliesCarryResultsStatusAndErrors) {
    ControlReply reply;
    reply.result = -7;
    reply.status.engine = true;
    reply.status.tasks = {{10001, 3, u"/home/a b/x.txt"}, {10002, 1, u"/tmp/y\nz"}};
    const auto back = DecodeReply(EncodeReply(reply));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->error, ControlError::None);
    EXPECT_EQ(back->result, -7);
    EXPECT_TRUE(back->status.engine);
    EXPECT_FALSE(back->status.mainWindow);
    ASSERT_EQ(back->status.tasks.size(), 2u);
    EXPECT_EQ(back->status.tasks[0].id, 10001);
    EXPECT_EQ(back->status.tasks[0].state, 3);
    EXPECT_EQ(back->status.tasks[0].path, u"/home/a b/x.txt");
    EXPECT_EQ(back->status.tasks[1].path, u"/tmp/y\nz");

    ControlReply failure;
    failure.error = ControlError::NoWindow;
    failure.errorText = "no window has the title \"x\"";
    EXPECT_EQ(EncodeReply(failure),
              "norvel-control 1\nerror=no-window\nerror-text=no window has the title \"x\"\n");
    const auto failed = DecodeReply(EncodeReply(failure));
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->error, ControlError::NoWindow);
    EXPECT_EQ(failed->errorText, failure.errorText);
    EXPECT_FALSE(DecodeReply("norvel-control 1\nerror=exploded\n"));
    EXPECT_FALSE(DecodeReply("norvel-control 1\nengine=1\n"));  // no result
}

TEST(ControlProtocol, AStatusReplyFitsOneMessageAndCountsTheTasksLeftOut) {
    ControlReply reply;
    for (int32_t id = 1; id <= 2000; ++id)
        reply.status.tasks.push_back({id, 1, u"/home/user/" + std::u16string(100, u'长')});
    const std::string text = EncodeReply(reply);
    EXPECT_LE(text.size(), kMaxControlMessage);
    const auto back = DecodeReply(text);
    ASSERT_TRUE(back);
    EXPECT_GT(back->status.tasks.size(), 10u);
    EXPECT_EQ(back->status.tasks.size() + back->status.tasksOmitted, 2000u);
    EXPECT_EQ(back->status.tasks.back().id, static_cast<int32_t>(back->status.tasks.size()));
}

TEST(ControlProtocol, OnlyTheOutsideMessagesMayBeSent) {
    for (const uint32_t message :
         {platform::WM_CLOSE, intake::WM_SAVE_AND_EXIT, intake::WM_ACCOUNT_COMMAND,
          intake::WM_START_UPDATER, intake::WM_QUERY_PENDING})
        EXPECT_TRUE(IsOutsideMessage(message)) << message;
    // These carry addresses or belong to the system's own windows.
    for (const uint32_t message : {intake::WM_REQUEST_BATCH, intake::WM_PIPE_BATCH,
                                   intake::WM_TASK_REMOVE, intake::WM_LOGIN_DONE, 0u})
        EXPECT_FALSE(IsOutsideMessage(message)) << message;
}
