#pragma once
// A form holding every control of the widget set in a QFormLayout, one row
// each, with a row of standard Qt controls beside a TKV_Button: the tests
// lay it out, and a demo shows it on a display.
#include <QFormLayout>
#include <QWidget>
#include <memory>
#include <vector>

class TImageList;

namespace sampleform {

struct TRow {
    QString Name;
    QWidget* Control;
};

class TSampleForm : public QWidget {
public:
    TSampleForm();
    ~TSampleForm() override;
    // Every control in the order of the rows (the standard controls last).
    const std::vector<TRow>& Rows() const { return FRows; }
    QWidget* Find(const QString& name) const;

private:
    void Add(const QString& name, QWidget* control);
    std::unique_ptr<TImageList> FImages;
    std::vector<TRow> FRows;
};

}  // namespace sampleform
