// Pictures in the body. Decoding pictures needs a graphics library the
// engine does not link; until the metafile writer is in, a picture leaves
// only its field's formatting codes, and a file that cannot be read says so.

#include "rprtf.h"

#include <QFile>

namespace rtfreport {

void TRpRTF::WritePicture(const QByteArray &bytes, const TRpRowContent &field)
{
    Q_UNUSED(bytes);
    WriteText(field.sout);
}

void TRpRTF::WritePictureFromFile(const QString &fileName, const TRpRowContent &field)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        WriteText(m_document.txt2rtf(u"#Can't load file "_qs + fileName));
        WriteText(field.sout);
        return;
    }
    WritePicture(file.readAll(), field);
}

void TRpRTF::WriteStoredPicture(const QByteArray &stored, const TRpRowContent &field)
{
    if (stored.size() <= 20) {
        WriteText(field.sout);
        return;
    }
    WritePicture(stored, field);
}

} // namespace rtfreport
