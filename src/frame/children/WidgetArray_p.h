#pragma once

#include "core/Conversions_p.h"
#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/FrameErrors_p.h"

#include <QString>

#include <functional>
#include <map>
#include <utility>

namespace k7 {

// A widget array of a control (lblFai, btnJust, barOee, lineV, ...): element 0 as designed, further
// elements created at run time as copies of element 0 (every property copied, starting hidden)
// and owned by the control, living as long as it unless unloaded. Works for Label, CommandButton,
// FilledRect and Line. Errors are the toolkit's: 360 loading an element that exists, 340 using one
// that does not, 362 unloading element 0.
//
// A copy does not inherit element 0's event connections: `eachElement`, when given, runs for
// element 0 and for every element as it is loaded, so one handler serves the whole array, as one
// event procedure serves a control array.
template <class T> class WidgetArray {
public:
    using ElementHook = std::function<void(T& element)>;

    explicit WidgetArray(T& element0, ElementHook eachElement = {})
        : name_(element0.Name()), eachElement_(std::move(eachElement)) {
        elements_.emplace(0, &element0);
        if (eachElement_)
            eachElement_(element0);
    }

    const QString& Name() const { return name_; }

    // Lowest and highest existing index.
    int LBound() const { return elements_.begin()->first; }
    int UBound() const { return elements_.rbegin()->first; }
    int Count() const { return static_cast<int>(elements_.size()); }
    bool Exists(int index) const { return elements_.count(index) != 0; }

    T& operator()(int index) const { return At(index); }
    T& At(int index) const {
        auto found = elements_.find(index);
        if (found == elements_.end())
            RaiseMissingElement(index);
        return *found->second;
    }

    // Creates element `index` as a hidden copy of element 0.
    T& Load(int index) {
        if (index < 0 || index > 32767)
            RaiseMissingElement(index);
        if (Exists(index))
            Raise(ErrorNumber::ObjectAlreadyLoaded);
        T& copy = At(0).LoadCopy(index);
        elements_.emplace(index, &copy);
        if (eachElement_)
            eachElement_(copy);
        return copy;
    }

    // Element `index`, loaded first when `index` is above the highest index (the layouts grow
    // their arrays this way: an element in a gap below the highest one is not created).
    T& Grow(int index) {
        if (index > UBound())
            return Load(index);
        return At(index);
    }

    // Destroys every element but element 0, highest first.
    void UnloadCopies() {
        for (int k = UBound(); k >= 1; --k)
            Unload(k);
    }

    // A grid of `rows` x `columns` cells drawn from element 0: cell (row, column) is element
    // row * columns + column, grown when missing and placed at element 0's size (in whole twips),
    // `column` widths right of and `row` heights below element 0. `eachCell` finishes each cell
    // in that order.
    void LayOutGrid(int rows, int columns,
                    const std::function<void(T& cell, int row, int column)>& eachCell) {
        const T& first = At(0);
        const int32_t width = ToLong(first.Width());
        const int32_t height = ToLong(first.Height());
        const int32_t top = ToLong(first.Top());
        const int32_t left = ToLong(first.Left());
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                T& cell = Grow(row * columns + column);
                cell.SetLeft(static_cast<float>(width * column + left));
                cell.SetWidth(static_cast<float>(width));
                cell.SetTop(static_cast<float>(height * row + top));
                cell.SetHeight(static_cast<float>(height));
                eachCell(cell, row, column);
            }
        }
    }

    // Destroys element `index` (not element 0, which belongs to the design).
    void Unload(int index) {
        T& element = At(index);
        if (index == 0)
            Raise(ErrorNumber::CannotUnloadDesignElement);
        elements_.erase(index);
        element.Owner().DestroyChild(element);
    }

private:
    QString name_;
    ElementHook eachElement_;
    std::map<int, T*> elements_;
};

} // namespace k7
