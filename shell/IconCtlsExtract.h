#pragma once
// Icons stored in a file, as the host's icon extraction counts them: an
// .ico file is one icon (with all its sizes); a Windows program or library
// (PE format) holds one icon per icon-group resource, in resource order.
// An autorun disc names such a program for its icon, so the burner reads
// them on Linux too.
//
// The bytes are untrusted: every offset, count and size is checked against
// the data, and a damaged file gives fewer icons or none, never a crash.

#include <QByteArray>
#include <vector>

// Each icon of the file as the bytes of a stand-alone .ico file.
std::vector<QByteArray> ExtractIconFiles(const QByteArray& data);
