#pragma once
// Format keywords around a field's expression (FNUM(x,10:2), FDTM(x,'dd.mm.yyyy'),
// ...): reading them from the field text and rendering a value's text with
// them; and the placement of a picture handed to the application.

#include "rpconst.h"
#include "rpdataset.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace rtfreport {

class TRpBaseReport;
class TRpUDFList;

// The format of one compiled field. The middle slot is the precision of the
// numeric formats, the picture format number of FIMG (ImgFmt) and the
// string-table index of FDTM's picture (NDtStr).
struct TRpFieldFormat {
    int fmtnumber = fmtNoFormat;
    int precision = 18;
    int decimals = 2;

    int ImgFmt() const { return precision; }
    int NDtStr() const { return precision; }
};

struct TRpParsedFormat {
    TRpFieldFormat format;
    QString expression;   // the field text without the keyword
};

// The keyword number of a field text KEYWORD(...), or 0 (fmtNoFormat).
int FormatKeywordOf(const QString &text);

// Reads a format keyword call; a text without one comes back unchanged
// with format number 0. FDTM's picture is appended to stringTable.
// udfList (may be absent) tells the result kind of a called function.
TRpParsedFormat ParseFormatFunction(const QString &fieldText, const TRpFormatSettings &settings,
                                    QStringList &stringTable, const TRpUDFList *udfList);

// The text of an expression's value (its AsString) under a format.
QString FormatValueText(const QString &valueText, const TRpFieldFormat &format, const TRpBaseReport &report,
                        const QStringList &stringTable);

// The text of a data-set field under a format, chosen by the field's type.
QString FieldValueText(const TRpDataSet &dataSet, int field, const TRpFieldFormat &format,
                       const TRpBaseReport &report, const QStringList &stringTable);
// The same text without a QString of its own, where the data set holds it or
// makes it in scratch (DisplayTextView) and the format writes it unchanged
// (a text, amount or date field without a format); nothing otherwise.
std::optional<QStringView> FieldValueView(const TRpDataSet &dataSet, int field, const TRpFieldFormat &format,
                                          TRpTextScratch &scratch);

// FLNK: the link target and the shown text of a value.
struct TRpLinkText {
    QString target;
    QString shown;
};
TRpLinkText SplitLinkText(const QString &text);

struct TRpImageBorder {
    quint8 BrType = 0;       // 0 no border, 1..6 border styles
    float Width = 0;         // points
    quint16 ColorIndex = 0;  // into the engine's 16 default colours
};

class TRpImageFormat {
public:
    static constexpr double MillimetresPerPixel = 0.264596930676;

    TRpImageFormat(int sizeX, int sizeY) { SetSizeXY(sizeX, sizeY); Proportional = true; }

    void SetSizeXY(int sizeX, int sizeY);
    void SetScaleX(int scale);
    void SetScaleY(int scale);
    void SetSizeXmm(double millimetres);
    void SetSizeYmm(double millimetres);
    void FitScaleToX(int pixels);
    void FitScaleToY(int pixels);
    void SetBorderType(int brType, int colorIndex, double brWidth);

    double SizeXmm = 0, SizeYmm = 0;
    quint16 SizeX = 0, SizeY = 0;
    quint16 ScaleX = 100, ScaleY = 100;
    TRpImageBorder Border;
    quint8 BorderWidthTwips = 0;
    bool Proportional = true;
};

} // namespace rtfreport
