#pragma once

// The event names that the library logs. A name is an area prefix and a step; readers of
// the log files search for them, so they never change.

#include <string_view>

namespace log_events {

// Client identity and login.
inline constexpr std::u16string_view kAuthLogin = u"AUTH_Login";
inline constexpr std::u16string_view kHttpReturnBodyLength0 = u"HTTP_ReturnBodyLength=0";

// HTTP request layer.
inline constexpr std::u16string_view kHttpRequest = u"HTTPRequest";
inline constexpr std::u16string_view kSysConnection = u"SYS_Connection";

// Settings store: a stored value is missing or unreadable.
inline constexpr std::u16string_view kReadRegeditInfo = u"READ_RegeditInfo";

// Intake, task rows and the upload workers.
inline constexpr std::u16string_view kUploaderAddFile = u"Uploader_Add_File";
inline constexpr std::u16string_view kUploaderTask = u"Uploader_Task";
inline constexpr std::u16string_view kSchedulUploadTask = u"SCHEDUL_UploadTask";
inline constexpr std::u16string_view kCompleteUploadTask = u"COMPLETE_UploadTask";
inline constexpr std::u16string_view kExitUploadThread = u"EXIT_UploadThread";
// A change of a task's state that is not a legal move (see intake/task_states.h).
inline constexpr std::u16string_view kTaskState = u"TASK_State";

// The saved task list: damaged when read, or not written.
inline constexpr std::u16string_view kLoadTaskList = u"LOAD_TaskList";
inline constexpr std::u16string_view kSaveTaskList = u"SAVE_TaskList";

// Per-file upload driver.
inline constexpr std::u16string_view kErrorFileSize = u"Error_File_Size";
inline constexpr std::u16string_view kMakeDirAtServer = u"MakeDirAtServer";
inline constexpr std::u16string_view kUploadDataResult = u"Upload_Data_Result";

// Upload session start and fast upload.
inline constexpr std::u16string_view kUploadCallInterFace = u"UPLOAD_CallInterFace";
inline constexpr std::u16string_view kUploadSetHeader = u"UPLOAD_SetHeader";
inline constexpr std::u16string_view kUploadSendRequest = u"UPLOAD_SendRequest";
inline constexpr std::u16string_view kUploadEndRequst = u"Upload_EndRequst";
inline constexpr std::u16string_view kUploadFast = u"UPLOAD_Fast";

// Segment and block transfer.
inline constexpr std::u16string_view kUploadSeg = u"UPLOAD_Seg";
inline constexpr std::u16string_view kUploadBlock = u"UPLOAD_Block";

// A log file or a file to digest fails to open.
inline constexpr std::u16string_view kOpenFile = u"OpenFile";

// The log buffer passed its limit and was emptied.
inline constexpr std::u16string_view kLogThreadBufferOverSized = u"LOG_ThreadBufferOverSized";

}  // namespace log_events
