#include "frame/children/TextChild.h"

#include "frame/children/ChildState_p.h"
#include "frame/control/ControlBase.h"
#include "frame/drawing/Twips.h"

namespace k7 {

namespace {

// What assistive technology reads for a text child: its caption, or its name while it has none.
void ShowAccessibleName(QWidget& widget, const QString& caption) {
    widget.setAccessibleName(caption.isEmpty() ? widget.objectName() : caption);
}

void ApplyFont(QWidget& widget, const FontStyle& font) {
    widget.QWidget::setFont(font.ToQFont());
    widget.update();
}

} // namespace

// Kept whole, so that an array copy takes all of it at once, except Visible: the assigned
// visibility, which stays the copy's own.
template <class QtBase> struct TextChild<QtBase>::State {
    friend bool operator==(const State&, const State&) = default;

    QString Caption;
    QString Tag;
    FontStyle Font;
    uint32_t ForeColor = 0;
    uint32_t BackColor = Colors::ButtonFace;
    bool WordWrap = true;
    bool Visible = true;
};

template <class QtBase>
TextChild<QtBase>::TextChild(ControlBase& owner, const QString& name, int index, uint32_t foreColor)
    : QtBase(&owner), ControlChild(owner, name, index), d(std::make_unique<State>()) {
    this->setObjectName(ElementName());
    d->ForeColor = foreColor;
    ShowAccessibleName(*this, d->Caption);
    ApplyFont(*this, d->Font);
    UpdatePixelGeometry();
    this->QWidget::setVisible(d->Visible);
}

template <class QtBase> TextChild<QtBase>::~TextChild() = default;

template <class QtBase> const QString& TextChild<QtBase>::Caption() const {
    return d->Caption;
}

template <class QtBase> const QString& TextChild<QtBase>::Tag() const {
    return d->Tag;
}

template <class QtBase> void TextChild<QtBase>::SetTag(const QString& tag) {
    d->Tag = tag;
}

template <class QtBase> const FontStyle& TextChild<QtBase>::Font() const {
    return d->Font;
}

template <class QtBase> uint32_t TextChild<QtBase>::ForeColor() const {
    return d->ForeColor;
}

template <class QtBase> void TextChild<QtBase>::SetForeColor(uint32_t color) {
    Restyle(d->ForeColor, color);
}

template <class QtBase> uint32_t TextChild<QtBase>::BackColor() const {
    return d->BackColor;
}

template <class QtBase> void TextChild<QtBase>::SetBackColor(uint32_t color) {
    Restyle(d->BackColor, color);
}

template <class QtBase> bool TextChild<QtBase>::WordWrap() const {
    return d->WordWrap;
}

template <class QtBase> void TextChild<QtBase>::SetWordWrap(bool wrap) {
    Restyle(d->WordWrap, wrap);
}

template <class QtBase> bool TextChild<QtBase>::Visible() const {
    return d->Visible;
}

template <class QtBase> void TextChild<QtBase>::SetCaption(const QString& caption) {
    if (caption == d->Caption)
        return;
    d->Caption = caption;
    ShowCaption();
}

template <class QtBase> void TextChild<QtBase>::SetFont(const FontStyle& font) {
    FontStyle::CheckSize(font.Size);
    if (font == d->Font)
        return;
    d->Font = font;
    ApplyFont(*this, d->Font);
}

template <class QtBase> void TextChild<QtBase>::SetVisible(bool visible) {
    d->Visible = visible;
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
        .Field(QStringLiteral("caption"), Variant(d->Caption))
        .Field(QStringLiteral("tag"), Variant(d->Tag))
        .Color(QStringLiteral("foreColor"), d->ForeColor)
        .Color(QStringLiteral("backColor"), d->BackColor)
        .Font(d->Font);
}

template <class QtBase> void TextChild<QtBase>::Dispose() {
    this->hide();
    this->deleteLater();
}

template <class QtBase> void TextChild<QtBase>::CopyFrom(const TextChild& source) {
    const bool visible = d->Visible;
    *d = *source.d;
    d->Visible = visible;
    CopyGeometryFrom(source);
    ShowCaption();
    ApplyFont(*this, d->Font);
}

template <class QtBase> std::shared_ptr<const ChildState> TextChild<QtBase>::SaveState() const {
    return std::make_shared<ChildStateOf<State, TwipsRect>>(*d, Bounds());
}

template <class QtBase> void TextChild<QtBase>::RestoreState(const ChildState& saved) {
    const auto* text = StateAs<State, TwipsRect>(saved);
    if (text == nullptr)
        return;
    *d = text->template Part<0>();
    // The bounds passed the geometry checks when they were first assigned.
    this->Move(text->template Part<1>());
    ShowCaption();
    ApplyFont(*this, d->Font);
    this->QWidget::setVisible(d->Visible);
}

template <class QtBase> void TextChild<QtBase>::UpdatePixelGeometry() {
    this->setGeometry(Bounds().ToPixels(Twips::PerPixel(*this)));
}

template <class QtBase> void TextChild<QtBase>::ShowCaption() {
    ShowAccessibleName(*this, d->Caption);
    this->update();
}

template class TextChild<QWidget>;
template class TextChild<QPushButton>;

} // namespace k7
