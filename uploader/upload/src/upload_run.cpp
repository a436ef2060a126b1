#include "upload/upload_run.h"

#include "platform/input_file.h"

namespace upload {

UploadRun::UploadRun(intake::UploadContext& task) : m_Task(task) {}

UploadRun::~UploadRun() = default;

}  // namespace upload
