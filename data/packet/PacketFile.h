#pragma once
// Packet files: a table written to a file as one data packet (binary, or the
// XML form) and read back.
//
// Writing never leaves a half-written file under the final name: the packet
// goes to a new file beside it, every write is checked, the data is flushed
// to the disk and only then does the new file take the final name. On any
// failure the new file is removed, a file already there keeps its content,
// and EFCreateError names the file and the system's reason:
//   "Cannot create file \"%s\". %s"  the file cannot be created at all
//   "Cannot write file \"%s\". %s"   writing or flushing it failed
//                                    (a full disk, a size limit)
#include <sys/types.h>

#include <memory>
#include <string>

class TableEngine;

// The mode of every new file that holds orders (a packet file, the journal):
// customer names and amounts are for their owner alone, whatever the umask.
constexpr mode_t kOrderFileMode = 0600;

void WritePacketFile(const std::string &path, const TableEngine &engine, bool xml);
// Writes the packet into a file the caller has just created and holds open
// (fd, at its start), and flushes it to the disk; the caller closes it and
// removes it on failure. Raises "Cannot write file \"%s\". %s" naming path.
void WritePacketInto(int fd, const std::string &path, const TableEngine &engine, bool xml);
// Raises EPacketUnreadable (an EDBClient) "Cannot open file \"%s\". %s" (or
// "Cannot read ...") when the file cannot be read, and the packet reader's
// failures for its content.
// Only a regular file is read ("Cannot read file \"%s\". Not a regular
// file" for a device, a pipe or a socket), and never past its size.
std::unique_ptr<TableEngine> ReadPacketFile(const std::string &path);

// The full path of a file name: a relative one is taken from the working
// folder.
std::string AbsoluteFilePath(const std::string &path);
// The system's text for an error number, without trailing blanks, line
// breaks and full stops.
std::string SystemReason(int error);
