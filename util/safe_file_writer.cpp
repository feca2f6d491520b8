#include "util/safe_file_writer.h"

#include "platform/platform_qt.h"

#include <QFileInfo>

SafeFileWriter::SafeFileWriter(const QString &target) : m_target(NativePath(target)) { }

SafeFileWriter::~SafeFileWriter()
{
    discard();
}

void SafeFileWriter::discard()
{
    m_file.close();
    if (!m_temp.empty()) {
        platform::RemoveFile(m_temp);
        m_temp.clear();
    }
}

bool SafeFileWriter::open(std::uint32_t mode, const platform::FileInfo *original)
{
    discard();
    if (!platform::HasFileName(m_target))
        return false;
    // Leftovers of writes killed on the way: only the ones no live writer
    // holds, and older than this write where the system cannot tell.
    platform::RemoveStaleTemporaries(m_target, platform::NowSec());
    if (m_file.createTemporaryBeside(m_target, m_temp))
        return false;
    if (m_file.setOwnerAndMode(original, mode)) {
        discard();
        return false;
    }
    return true;
}

bool SafeFileWriter::write(const char *data, qsizetype size)
{
    if (!m_file.isOpen())
        return false;
    return !m_file.write(data, size);
}

bool SafeFileWriter::setModificationTime(std::int64_t sec, std::int32_t nsec)
{
    if (!m_file.isOpen())
        return false;
    return !m_file.setModificationTime(sec, nsec);
}

bool SafeFileWriter::commit()
{
    if (!m_file.isOpen())
        return false;
    if (m_file.commitOver(m_temp, m_target)) {
        discard();
        return false;
    }
    m_temp.clear();
    return true;
}

QString ResolveWriteTarget(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    if (!canonical.isEmpty())
        return canonical;
    // A dangling link: write to where it points, the link then resolves.
    return info.symLinkTarget();
}
