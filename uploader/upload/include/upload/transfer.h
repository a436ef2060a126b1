#pragma once

// The content dialogue of one file, which the service leads reply by reply:
//
//   up_init ──► UPSTAT/FIN ─────────────────────────────► done (nothing sent)
//      │    ──► REQTCON range ─► up_retcon (digest) ─► FIN, or REQTBLK ─► blocks
//      │    ──► REQTBLK range ─► blocks: up_blk ─► next range ... ─► FIN
//      └──► REQTSEG size ─► segment list ─► up_seginfo ─► REQTBLK fid range ─► blocks of
//                             that segment ... the service names the next segment ... FIN
//                                            ─► REQTCON fid range ─► up_retcon per segment
//
// The dialogue works on the record of one run (upload/upload_run.h): the file is open
// (the run's m_File) throughout; every request builds and closes a channel of its own. The
// task's m_TransferStatus carries the outcome between the loops: 0 while all is well, 1 to
// 3 while a block that timed out is sent again, 5 after a failure or when the service
// moved to another segment. The dialogue succeeded when it ends with the run's m_Finished
// set (the service confirmed the whole file); every failure path logs, sets the status to
// 5 and closes the file.
//
// Results: 0 success (also when the service moves on to another segment); 4010 no status
// came back; 4009 a reply command the dialogue does not know; -1 any other failure.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "intake/upload_context.h"
#include "upload/upload_run.h"

namespace net {
class AsyncHttpChannel;
}

namespace upload {

// Most segments a file is cut into (a larger segment list is refused).
inline constexpr size_t kMaxSegments = 100000;
// Most passes over the segments of one file, however the service leads them.
inline constexpr int kMaxFastPasses = 3;

// The upload start and the dispatch on its reply.
int UploadData(UploadRun& run);
// One fast-upload request: the content digest of a range of the file (segId empty) or of
// a segment, so the service can tell whether it holds that content.
int UploadFast(UploadRun& run, const std::string& segId, const std::string& range);

// Cuts the file into segments of the size the service named (decimal text). False (the
// list emptied) when the size is no number from 1 to 2^31-1, the file would have more than
// kMaxSegments segments, or a segment cannot be read whole.
bool PushSegList(UploadRun& run, std::string_view segSize);
// The segment list request and the passes over the segments that the service names.
int UploadSeg(UploadRun& run, std::string_view segSize);

// The block loop from the range (relative to the segment when segId is set), each reply
// naming the next range, until the service confirms the file or moves to another segment.
int UploadBlock(UploadRun& run, const std::string& segId, const std::string& range);

// Where the content lies inside a block body, for the progress count.
struct BodyLayout {
    size_t headSize = 0;
    size_t contentSize = 0;
};
enum StreamResult : int { kStreamSent = 0, kStreamWriteFailed = 1, kStreamSendFailed = 2 };
// Sends the header block and the body over an open request in pieces of at most 128 KiB
// (smaller under a speed cap), adding each piece's content bytes to m_DoneSize and
// reporting the task after each; then ends the request. 0 sent, 1 a write failed, 2 the
// send or the end failed.
int StreamBody(net::AsyncHttpChannel& channel, intake::UploadContext& task,
               std::string_view headers, std::string_view body, BodyLayout layout);

}  // namespace upload
