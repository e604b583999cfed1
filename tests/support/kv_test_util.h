#pragma once
// Small helpers shared by the tests.

#include <QString>
#include <QStringList>

namespace KVTest {

// The temporary folder of this test run (KV_TEST_TMP, made by run-test.sh),
// or the system's temporary folder.
QString tempRoot();
// A new empty folder below tempRoot().
QString makeTempDir(const QString &prefix);
// Path of a program built into the build tree's bin folder.
QString builtProgram(const QString &name);
// Writes bytes to a file, creating its folders; true on success.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

} // namespace KVTest
