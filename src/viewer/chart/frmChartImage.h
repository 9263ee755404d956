#pragma once

#include <QDialog>
#include <QSize>

class QCheckBox;
class QDoubleSpinBox;
class QPushButton;
class QSpinBox;

/// "Image size": how many pixels wide and high a PNG picture of a chart is
/// made, given as pixels or as a scale of the chart on screen. The opener loads the picture's size on screen, runs it modally and
/// reads Size() after OK; the dialog itself draws and writes nothing.
class frmChartImage final : public QDialog {
    Q_OBJECT
public:
    /// The largest side a picture may have, in pixels.
    static constexpr int LargestSide = 6000;

    explicit frmChartImage(QWidget *parent = nullptr);

    /// Starts at size (the picture on screen), whose shape "Keep the shape"
    /// keeps while either side changes.
    void SetSize(QSize size);
    QSize Size() const;

    QSpinBox *spnWidth = nullptr;
    QSpinBox *spnHeight = nullptr;
    QCheckBox *chkKeepShape = nullptr;
    QDoubleSpinBox *spnScale = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

private:
    /// The other side follows the one changed while the shape is kept.
    void Follow(bool widthChanged);
    /// Both sides follow the scale.
    void FollowScale();
    void ShowScale();

    QSize m_screen{1, 1};
    bool m_following = false;
};
