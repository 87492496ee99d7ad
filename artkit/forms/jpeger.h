#pragma once
// The "Smart JPEG Saver": a picture beside its JPEG rendition at the
// quality of a slider, with the encoded size in the caption. The caller
// creates it per use:
//
//   Tjpeger_f saver;
//   saver.SetGraphic(preview);
//   if (saver.exec() == 1) saver.SaveJpeg(fileName);  // or write EncodedJpeg()
//
// The bytes shown, measured and saved are the same in-memory encoding: no
// temporary file is written.
#include <QDialog>
#include <cstdint>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class TPGImage;
class TPixelGraphic;
class TRxSlider;

class Tjpeger_f : public QDialog {
    Q_OBJECT
public:
    explicit Tjpeger_f(QWidget* parent = nullptr);

    // Copies the picture, fits the form to it and shows the first rendition.
    void SetGraphic(const TPixelGraphic& graphic);
    // Encodes at the slider's quality, shows the size and the decoded result.
    void updatepreview();
    // The encoding shown (at EncodedQuality()).
    const std::vector<uint8_t>& EncodedJpeg() const { return FEncoded; }
    int EncodedQuality() const { return FEncodedQuality; }
    // Writes EncodedJpeg() to fileName (replacing it only when complete).
    void SaveJpeg(const std::string& fileName) const;

    // "&OK": the library's JPEG quality becomes the slider's, result 1;
    // "&Cancel" (and Esc): result 2.
    void OKClick();
    void reject() override;

    // The picture as given and its JPEG rendition, each half the width.
    TPGImage* PGImage1;
    TPGImage* PGImage2;
    QLabel* Label1;
    TRxSlider* RxSlider1;
    QPushButton* BitBtn1;  // "&OK"
    QPushButton* BitBtn2;  // "&Cancel"

private:
    void RxSlider1Change();

    std::vector<uint8_t> FEncoded;
    int FEncodedQuality = -1;
};
