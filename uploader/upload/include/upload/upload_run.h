#pragma once

// The record of one run of the per-file driver: the engine's working state for one
// upload of a task (ticket in use, open file, digests, segments, the block being sent,
// the registration's description of the file). The driver makes a fresh one for every
// run and drops it when the run ends, so nothing of an earlier run carries over and
// nothing is reset by hand.
//
// The task record (intake/upload_context.h) keeps what other modules read: the run writes
// the task's progress (m_DoneSize), its transfer status and its state as it goes, and the
// task's result fields (m_RemotePath) once, when the run ends. Only the worker running the
// driver touches a run.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "intake/upload_context.h"
#include "upload/records.h"

namespace platform {
class InputFile;
}

namespace upload {

struct UploadRun {
    explicit UploadRun(intake::UploadContext& task);
    ~UploadRun();
    UploadRun(const UploadRun&) = delete;
    UploadRun& operator=(const UploadRun&) = delete;

    intake::UploadContext& m_Task;  // the task uploaded; outlives the run

    std::string m_Secret;           // upload secret of the task's kind, ANSI code page
    std::string m_Tstr;             // upload ticket of the task's kind
    std::u16string m_RemotePath;    // "kdw_path" of the file the service confirmed
    std::string m_CurrentSegId;     // the segment the service named last
    std::string m_CurrentSegRange;  // the range it asked for in that segment
    uint64_t m_SegDoneBase = 0;     // bytes of the segments finished in this dialogue
    uint64_t m_SegSize = 0;         // the segment size the service asked for
    std::unique_ptr<platform::InputFile> m_File;  // the open file; null when closed
    std::vector<SegmentEntry> m_Segments;         // the file's segments, in file order
    uint64_t m_SegDigestSize = 0;                 // segment size of m_SegDigests; 0: none taken
    std::vector<std::string> m_SegDigests;        // segment digests taken with the file's MD5
    RemoteFileEntry m_FileEntry;  // the local file as registered; m_Md5 is the file id
    RemoteFileEntry m_BaseEntry;  // a base version of the file; none is looked up: empty
    std::string m_Boundary;       // multipart boundary of the block being sent
    bool m_HasStamp = false;      // "ts" and "sig" go with the file registration
    std::string m_Stamp;
    std::string m_Sig;
    bool m_Finished = false;  // the service confirmed the whole file ("FIN")
};

}  // namespace upload
