#include "ui/devicepixels.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <cmath>

namespace ui {

namespace {

constexpr auto kDesigned = "zephraDesignedGeometry";
constexpr auto kKept = "zephraKeptOnDevicePixels";

// The logical coordinate at or just before `logical` whose device position
// is whole; `logical` itself when no coordinate within a few pixels is.
int alignedCoordinate(int logical, int origin, double ratio)
{
    for (int step = 0; step < 4; ++step) {
        const double device = (origin + logical - step) * ratio;
        if (std::abs(device - std::round(device)) < 1e-6) {
            return logical - step;
        }
    }
    return logical;
}

class DevicePixelKeeper final : public QObject
{
public:
    explicit DevicePixelKeeper(QWidget *control) : QObject(control), m_control(control)
    {
        control->setProperty(kDesigned, control->geometry());
        control->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_control) {
            return false;
        }
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            // A place given from outside becomes the designed one; the
            // events of the alignment itself only report it.
            if (m_control->geometry() != m_aligned) {
                m_control->setProperty(kDesigned, m_control->geometry());
                align();
            }
            break;
        case QEvent::Show:
        case QEvent::ScreenChangeInternal:
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
        case QEvent::DevicePixelRatioChange:
#endif
        case QEvent::ParentChange:
            // A tab control places its pages only after their controls are
            // shown: the place in the window is known once that is done.
            QMetaObject::invokeMethod(this, &DevicePixelKeeper::align, Qt::QueuedConnection);
            break;
        default:
            break;
        }
        return false;
    }

private:
    void align()
    {
        const QWidget *parent = m_control->parentWidget();
        if (!parent) {
            return;
        }
        const QRect designed = designedGeometry(m_control);
        const QPoint origin = parent->mapTo(m_control->window(), QPoint(0, 0));
        m_aligned = alignedToDevicePixels(designed, origin, m_control->devicePixelRatio());
        if (m_aligned != m_control->geometry()) {
            m_control->setGeometry(m_aligned);
        }
    }

    QWidget *m_control;
    QRect m_aligned;
};

} // namespace

QRect alignedToDevicePixels(const QRect &designed, QPoint parentOrigin, double ratio)
{
    // A frame draws its lines on the first and the last logical pixel of
    // each side: both must start on a whole device pixel.
    const int left = alignedCoordinate(designed.left(), parentOrigin.x(), ratio);
    const int top = alignedCoordinate(designed.top(), parentOrigin.y(), ratio);
    const int right = alignedCoordinate(designed.right(), parentOrigin.x(), ratio);
    const int bottom = alignedCoordinate(designed.bottom(), parentOrigin.y(), ratio);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void keepOnDevicePixels(QWidget *control)
{
    if (!control->property(kKept).toBool()) {
        control->setProperty(kKept, true);
        new DevicePixelKeeper(control);
    }
}

void setDesignedGeometry(QWidget *control, const QRect &designed)
{
    control->setProperty(kDesigned, designed);
    control->setGeometry(designed);
}

QRect designedGeometry(const QWidget *control)
{
    const QVariant designed = control->property(kDesigned);
    return designed.isValid() ? designed.toRect() : control->geometry();
}

} // namespace ui
