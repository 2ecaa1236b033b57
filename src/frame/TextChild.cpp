#include "frame/TextChild.h"

#include "frame/ControlBase.h"
#include "frame/Twips.h"

namespace k7 {

template <class QtBase>
TextChild<QtBase>::TextChild(ControlBase& owner, const QString& name, int index, uint32_t foreColor)
    : QtBase(&owner), ControlChild(owner, name, index) {
    this->setObjectName(ElementName());
    state_.ForeColor = foreColor;
    ShowAccessibleName();
    ApplyFont();
    UpdatePixelGeometry();
    this->QWidget::setVisible(visible_);
}

template <class QtBase> void TextChild<QtBase>::SetCaption(const QString& caption) {
    if (caption == state_.Caption)
        return;
    state_.Caption = caption;
    ShowCaption();
}

template <class QtBase> void TextChild<QtBase>::SetFont(const FontStyle& font) {
    FontStyle::CheckSize(font.Size);
    if (font == state_.Font)
        return;
    state_.Font = font;
    ApplyFont();
}

template <class QtBase> void TextChild<QtBase>::SetVisible(bool visible) {
    visible_ = visible;
    this->QWidget::setVisible(visible);
}

template <class QtBase> void TextChild<QtBase>::ApplyTextDesign(const TextDesign& design) {
    this->Move(design.Bounds);
    SetFont(design.Font);
    SetForeColor(design.ForeColor);
    SetBackColor(design.BackColor);
}

template <class QtBase> void TextChild<QtBase>::UseSmallFaceAtOrBelow(float points) {
    SetFontName(FontSize() <= points ? QStringLiteral("Small Fonts") : QStringLiteral("Tahoma"));
}

template <class QtBase> void TextChild<QtBase>::TakeControlFont() {
    const FontStyle& own = this->Owner().ControlFont();
    FontStyle font = Font();
    if (!own.Name.isEmpty())
        font.Name = own.Name;
    if (own.Size != 0)
        font.Size = own.Size;
    font.Bold = own.Bold;
    font.Italic = own.Italic;
    SetFont(font);
    SetForeColor(this->Owner().ForeColor());
}

template <class QtBase> void TextChild<QtBase>::DescribeText(Description& out) const {
    out.Geometry(Bounds())
        .Field(QStringLiteral("caption"), Variant(state_.Caption))
        .Field(QStringLiteral("tag"), Variant(state_.Tag))
        .Color(QStringLiteral("foreColor"), state_.ForeColor)
        .Color(QStringLiteral("backColor"), state_.BackColor)
        .Font(state_.Font);
}

template <class QtBase> void TextChild<QtBase>::Dispose() {
    this->hide();
    this->deleteLater();
}

template <class QtBase> void TextChild<QtBase>::CopyFrom(const TextChild& source) {
    state_ = source.state_;
    CopyGeometryFrom(source);
    ShowCaption();
    ApplyFont();
}

template <class QtBase> void TextChild<QtBase>::UpdatePixelGeometry() {
    this->setGeometry(Bounds().ToPixels(Twips::PerPixel(*this)));
}

template <class QtBase> void TextChild<QtBase>::ShowCaption() {
    ShowAccessibleName();
    this->update();
}

template <class QtBase> void TextChild<QtBase>::ShowAccessibleName() {
    this->setAccessibleName(state_.Caption.isEmpty() ? this->objectName() : state_.Caption);
}

template <class QtBase> void TextChild<QtBase>::ApplyFont() {
    this->QWidget::setFont(state_.Font.ToQFont());
    this->update();
}

template class TextChild<QWidget>;
template class TextChild<QPushButton>;

} // namespace k7
