#include "platform/DrawText.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// One output line: its characters (prefix marks removed) and the positions
// within it that are underlined.
struct Line {
    QString Text;
    std::vector<int> Underlines;
    int Width = 0;
};

struct Layout {
    std::vector<Line> Lines;
    int LineHeight = 0;
    int MaxWidth = 0;
    int Processed = 0;  // characters of the source text consumed
};

class Measurer {
public:
    Measurer(const QFontMetrics& fm, unsigned format, const TDrawTextParams* params) : FFm(fm) {
        FExpandTabs = (format & DT_EXPANDTABS) != 0;
        int tabChars = 8;
        if (params) tabChars = params->iTabLength;
        else if (format & DT_TABSTOP) tabChars = static_cast<int>((format >> 8) & 0xFF);
        if (tabChars <= 0) tabChars = 8;
        FTabWidth = std::max(1, tabChars * std::max(1, fm.averageCharWidth()));
    }

    // Width of a line; with expanded tabs each tab moves to the next stop.
    int Width(const QString& s) const { return Advance(s, s.size()); }

    // X position of character index within s.
    int Advance(const QString& s, qsizetype count) const {
        if (!FExpandTabs) return FFm.horizontalAdvance(s.left(count));
        int x = 0;
        qsizetype start = 0;
        for (qsizetype i = 0; i < count; ++i) {
            if (s[i] == QLatin1Char('\t')) {
                x += FFm.horizontalAdvance(s.mid(start, i - start));
                x = (x / FTabWidth + 1) * FTabWidth;
                start = i + 1;
            }
        }
        return x + FFm.horizontalAdvance(s.mid(start, count - start));
    }

    bool ExpandTabs() const { return FExpandTabs; }
    int TabWidth() const { return FTabWidth; }
    const QFontMetrics& Metrics() const { return FFm; }

private:
    const QFontMetrics& FFm;
    bool FExpandTabs = false;
    int FTabWidth = 8;
};

bool IsBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

// Removes the prefix marks; underline positions refer to the result.
void StripPrefixes(const QString& src, bool process, bool showUnderline, QString& out, std::vector<int>& underlines) {
    out.clear();
    underlines.clear();
    if (!process) {
        out = src;
        return;
    }
    out.reserve(src.size());
    for (qsizetype i = 0; i < src.size(); ++i) {
        if (src[i] != QLatin1Char('&')) {
            out += src[i];
            continue;
        }
        if (i + 1 >= src.size()) break;  // a final lone '&' shows nothing
        ++i;
        if (src[i] != QLatin1Char('&') && showUnderline) underlines.push_back(static_cast<int>(out.size()));
        out += src[i];
    }
}

// Takes the characters [from, to) of the paragraph text into a line.
Line MakeLine(const QString& s, const std::vector<int>& underlines, qsizetype from, qsizetype to) {
    Line line;
    line.Text = s.mid(from, to - from);
    for (int u : underlines)
        if (u >= from && u < to) line.Underlines.push_back(static_cast<int>(u - from));
    return line;
}

// Breaks one paragraph (no line ends inside) into lines no wider than avail.
void BreakParagraph(const QString& s, const std::vector<int>& underlines, const Measurer& m, int avail, bool breakWords,
                    std::vector<Line>& out) {
    const qsizetype n = s.size();
    qsizetype start = 0;
    do {
        // Grow the line word by word: each step takes the blanks and then
        // the word after them; the line's width excludes its trailing blanks.
        qsizetype end = start;  // end of the accepted text (after its last word)
        qsizetype pos = start;
        while (pos < n) {
            qsizetype wordEnd = pos;
            while (wordEnd < n && IsBlank(s[wordEnd])) ++wordEnd;
            while (wordEnd < n && !IsBlank(s[wordEnd])) ++wordEnd;
            if (end > start && m.Width(s.mid(start, wordEnd - start)) > avail) break;
            if (end == start && m.Width(s.mid(start, wordEnd - start)) > avail && breakWords) {
                // The first word alone is too wide: take as many characters
                // as fit, at least one.
                qsizetype k = pos + 1;
                while (k < wordEnd && m.Width(s.mid(start, k + 1 - start)) <= avail) ++k;
                end = k;
                pos = k;
                break;
            }
            end = wordEnd;
            pos = wordEnd;
        }
        if (end == start) end = pos = n;  // only blanks left
        out.push_back(MakeLine(s, underlines, start, end));
        // Blanks at the break are dropped.
        start = pos;
        while (start < n && IsBlank(s[start])) ++start;
    } while (start < n);
}

QString Ellipsize(const QString& s, const Measurer& m, int avail, std::vector<int>& underlines) {
    static const QString kDots = QStringLiteral("...");
    qsizetype keep = s.size();
    while (keep > 0 && m.Width(s.left(keep) + kDots) > avail) --keep;
    underlines.erase(std::remove_if(underlines.begin(), underlines.end(), [&](int u) { return u >= keep; }),
                     underlines.end());
    return s.left(keep) + kDots;
}

Layout MakeLayout(const QFontMetrics& fm, const QString& text, const TRect& rect, unsigned format,
                  const TDrawTextParams* params) {
    Layout layout;
    Measurer m(fm, format, params);
    layout.LineHeight = fm.height() + ((format & DT_EXTERNALLEADING) ? std::max(0, fm.leading()) : 0);
    layout.Processed = static_cast<int>(text.size());
    if (text.isEmpty()) return layout;

    const int leftMargin = params ? params->iLeftMargin : 0;
    const int rightMargin = params ? params->iRightMargin : 0;
    const int avail = rect.Width() - leftMargin - rightMargin;
    const bool single = (format & DT_SINGLELINE) != 0;
    const bool wordBreak = (format & DT_WORDBREAK) && !single;

    QString plain;
    std::vector<int> underlines;
    StripPrefixes(text, !(format & DT_NOPREFIX), !(format & DT_HIDEPREFIX), plain, underlines);

    // Split at line ends into paragraphs (a single line keeps the text whole
    // but shows no control characters).
    qsizetype pos = 0;
    const qsizetype n = plain.size();
    while (pos < n) {
        qsizetype end = pos;
        if (!single)
            while (end < n && plain[end] != QLatin1Char('\r') && plain[end] != QLatin1Char('\n')) ++end;
        else end = n;
        QString para = plain.mid(pos, end - pos);
        std::vector<int> paraUnder;
        for (int u : underlines)
            if (u >= pos && u < end) paraUnder.push_back(static_cast<int>(u - pos));
        if (single) {
            para.remove(QLatin1Char('\r'));
            para.remove(QLatin1Char('\n'));
        }
        if (wordBreak) BreakParagraph(para, paraUnder, m, avail, (format & DT_EDITCONTROL) != 0, layout.Lines);
        else layout.Lines.push_back(MakeLine(para, paraUnder, 0, para.size()));
        pos = end;
        if (pos < n && plain[pos] == QLatin1Char('\r')) ++pos;
        if (pos < n && plain[pos] == QLatin1Char('\n')) ++pos;
    }

    for (Line& line : layout.Lines) {
        line.Width = m.Width(line.Text);
        if ((format & DT_END_ELLIPSIS) && line.Width > avail) {
            line.Text = Ellipsize(line.Text, m, avail, line.Underlines);
            line.Width = m.Width(line.Text);
        }
        layout.MaxWidth = std::max(layout.MaxWidth, line.Width);
    }
    return layout;
}

int TextHeightOf(const Layout& layout) { return static_cast<int>(layout.Lines.size()) * layout.LineHeight; }

int CalcRect(const Layout& layout, TRect& rect, const TDrawTextParams* params) {
    const int leftMargin = params ? params->iLeftMargin : 0;
    const int rightMargin = params ? params->iRightMargin : 0;
    const int height = TextHeightOf(layout);
    rect.Right = rect.Left + (layout.Lines.empty() ? 0 : leftMargin + layout.MaxWidth + rightMargin);
    rect.Bottom = rect.Top + height;
    return height;
}

void DrawLine(QPainter& painter, const Measurer& m, const Line& line, int x, int y) {
    const QFontMetrics& fm = m.Metrics();
    if (painter.backgroundMode() == Qt::OpaqueMode)
        painter.fillRect(QRect(x, y, line.Width, fm.height()), painter.background());
    const int baseline = y + fm.ascent();
    if (m.ExpandTabs() && line.Text.contains(QLatin1Char('\t'))) {
        qsizetype start = 0;
        for (qsizetype i = 0; i <= line.Text.size(); ++i) {
            if (i == line.Text.size() || line.Text[i] == QLatin1Char('\t')) {
                if (i > start)
                    painter.drawText(QPoint(x + m.Advance(line.Text, start), baseline),
                                     line.Text.mid(start, i - start));
                start = i + 1;
            }
        }
    } else if (!line.Text.isEmpty()) {
        painter.drawText(QPoint(x, baseline), line.Text);
    }
    const int thickness = std::max(1, fm.lineWidth());
    for (int u : line.Underlines) {
        const int x0 = x + m.Advance(line.Text, u);
        const int x1 = x + m.Advance(line.Text, u + 1);
        painter.fillRect(QRect(x0, baseline + fm.underlinePos(), x1 - x0, thickness), painter.pen().color());
    }
}

}  // namespace

int MeasureText(const QFontMetrics& metrics, const QString& text, TRect& rect, unsigned format,
                TDrawTextParams* params) {
    Layout layout = MakeLayout(metrics, text, rect, format, params);
    if (params) params->uiLengthDrawn = static_cast<unsigned>(layout.Processed);
    return CalcRect(layout, rect, params);
}

int MeasureText(const QFont& font, const std::string& text, TRect& rect, unsigned format, TDrawTextParams* params) {
    return MeasureText(QFontMetrics(font), QString::fromStdString(text), rect, format, params);
}

int DrawTextEx(QPainter& painter, const QString& text, TRect& rect, unsigned format, TDrawTextParams* params) {
    const QFontMetrics fm = painter.fontMetrics();
    if (format & DT_CALCRECT) return MeasureText(fm, text, rect, format, params);

    Layout layout = MakeLayout(fm, text, rect, format, params);
    if (params) params->uiLengthDrawn = static_cast<unsigned>(layout.Processed);
    const int leftMargin = params ? params->iLeftMargin : 0;
    const int rightMargin = params ? params->iRightMargin : 0;
    const bool single = (format & DT_SINGLELINE) != 0;
    int height = TextHeightOf(layout);

    int y = rect.Top;
    if (single && (format & DT_VCENTER)) y = (rect.Top + rect.Bottom - height) / 2;
    else if (single && (format & DT_BOTTOM)) y = rect.Bottom - height;

    // An edit control shows no partly visible last line.
    if ((format & DT_EDITCONTROL) && !single) {
        const int fit = layout.LineHeight > 0 ? std::max(1, rect.Height() / layout.LineHeight) : 1;
        if (static_cast<int>(layout.Lines.size()) > fit) layout.Lines.resize(static_cast<size_t>(fit));
    }

    Measurer m(fm, format, params);
    painter.save();
    if (!(format & DT_NOCLIP)) painter.setClipRect(rect.ToQRect(), Qt::IntersectClip);
    int lineY = y;
    for (const Line& line : layout.Lines) {
        int x = rect.Left + leftMargin;
        if (format & DT_CENTER) x = (rect.Left + leftMargin + rect.Right - rightMargin - line.Width) / 2;
        else if (format & DT_RIGHT) x = rect.Right - rightMargin - line.Width;
        DrawLine(painter, m, line, x, lineY);
        lineY += layout.LineHeight;
    }
    painter.restore();

    if (single && (format & (DT_VCENTER | DT_BOTTOM))) return y + height - rect.Top;
    return height;
}

int DrawTextEx(QPainter& painter, const std::string& text, TRect& rect, unsigned format, TDrawTextParams* params) {
    return DrawTextEx(painter, QString::fromStdString(text), rect, format, params);
}

TSize TextExtent(const QFontMetrics& metrics, const QString& text) {
    return TSize(metrics.horizontalAdvance(text), metrics.height());
}

TSize TextExtent(const QFont& font, const std::string& text) {
    return TextExtent(QFontMetrics(font), QString::fromStdString(text));
}

void TextOut(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics fm = painter.fontMetrics();
    if (painter.backgroundMode() == Qt::OpaqueMode)
        painter.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), painter.background());
    painter.drawText(QPoint(x, y + fm.ascent()), text);
}

QFont FontForDevice(const QFont& font, const QPaintDevice* device) {
    QFont f(font);
    if (f.pixelSize() > 0 || !device) return f;
    const qreal px = f.pointSizeF() * device->logicalDpiY() / 72.0;
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(px))));
    return f;
}
