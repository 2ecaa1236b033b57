#include "frame/children/TextChild.h"

#include "frame/children/ChildState_p.h"
#include "frame/control/ControlBase.h"
#include "frame/drawing/Twips.h"

namespace k7 {

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
    : QtBase(&owner), ControlChild(owner, name, index), state_(std::make_unique<State>()) {
    this->setObjectName(ElementName());
    state_->ForeColor = foreColor;
    ShowAccessibleName();
    ApplyFont();
    UpdatePixelGeometry();
    this->QWidget::setVisible(state_->Visible);
}

template <class QtBase> TextChild<QtBase>::~TextChild() = default;

template <class QtBase> const QString& TextChild<QtBase>::Caption() const {
    return state_->Caption;
}

template <class QtBase> const QString& TextChild<QtBase>::Tag() const {
    return state_->Tag;
}

template <class QtBase> void TextChild<QtBase>::SetTag(const QString& tag) {
    state_->Tag = tag;
}

template <class QtBase> const FontStyle& TextChild<QtBase>::Font() const {
    return state_->Font;
}

template <class QtBase> uint32_t TextChild<QtBase>::ForeColor() const {
    return state_->ForeColor;
}

template <class QtBase> void TextChild<QtBase>::SetForeColor(uint32_t color) {
    Restyle(state_->ForeColor, color);
}

template <class QtBase> uint32_t TextChild<QtBase>::BackColor() const {
    return state_->BackColor;
}

template <class QtBase> void TextChild<QtBase>::SetBackColor(uint32_t color) {
    Restyle(state_->BackColor, color);
}

template <class QtBase> bool TextChild<QtBase>::WordWrap() const {
    return state_->WordWrap;
}

template <class QtBase> void TextChild<QtBase>::SetWordWrap(bool wrap) {
    Restyle(state_->WordWrap, wrap);
}

template <class QtBase> bool TextChild<QtBase>::Visible() const {
    return state_->Visible;
}

template <class QtBase> void TextChild<QtBase>::SetCaption(const QString& caption) {
    if (caption == state_->Caption)
        return;
    state_->Caption = caption;
    ShowCaption();
}

template <class QtBase> void TextChild<QtBase>::SetFont(const FontStyle& font) {
    FontStyle::CheckSize(font.Size);
    if (font == state_->Font)
        return;
    state_->Font = font;
    ApplyFont();
}

template <class QtBase> void TextChild<QtBase>::SetVisible(bool visible) {
    state_->Visible = visible;
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
        .Field(QStringLiteral("caption"), Variant(state_->Caption))
        .Field(QStringLiteral("tag"), Variant(state_->Tag))
        .Color(QStringLiteral("foreColor"), state_->ForeColor)
        .Color(QStringLiteral("backColor"), state_->BackColor)
        .Font(state_->Font);
}

template <class QtBase> void TextChild<QtBase>::Dispose() {
    this->hide();
    this->deleteLater();
}

template <class QtBase> void TextChild<QtBase>::CopyFrom(const TextChild& source) {
    const bool visible = state_->Visible;
    *state_ = *source.state_;
    state_->Visible = visible;
    CopyGeometryFrom(source);
    ShowCaption();
    ApplyFont();
}

template <class QtBase> std::shared_ptr<const ChildState> TextChild<QtBase>::SaveState() const {
    return std::make_shared<ChildStateOf<State, TwipsRect>>(*state_, Bounds());
}

template <class QtBase> void TextChild<QtBase>::RestoreState(const ChildState& saved) {
    const auto* text = StateAs<State, TwipsRect>(saved);
    if (text == nullptr)
        return;
    *state_ = text->template Part<0>();
    // The bounds passed the geometry checks when they were first assigned.
    this->Move(text->template Part<1>());
    ShowCaption();
    ApplyFont();
    this->QWidget::setVisible(state_->Visible);
}

template <class QtBase> void TextChild<QtBase>::UpdatePixelGeometry() {
    this->setGeometry(Bounds().ToPixels(Twips::PerPixel(*this)));
}

template <class QtBase> void TextChild<QtBase>::ShowCaption() {
    ShowAccessibleName();
    this->update();
}

template <class QtBase> void TextChild<QtBase>::ShowAccessibleName() {
    this->setAccessibleName(state_->Caption.isEmpty() ? this->objectName() : state_->Caption);
}

template <class QtBase> void TextChild<QtBase>::ApplyFont() {
    this->QWidget::setFont(state_->Font.ToQFont());
    this->update();
}

template class TextChild<QWidget>;
template class TextChild<QPushButton>;

} // namespace k7
