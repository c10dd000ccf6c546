#pragma once

// Names the calling thread: the full name for Qt (QThread::objectName) and, since the system keeps
// only 15 characters, the part after "com.wendoka.zuvevivezid." for the system's tools.
namespace ThreadName {

void setForCurrentThread(const char *fullName);

} // namespace ThreadName
