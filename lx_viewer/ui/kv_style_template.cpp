#include "kv_style_template.h"

namespace
{

QString weight(bool bold)
{
    return bold ? QStringLiteral("bold") : QStringLiteral("normal");
}

// "%06X" without the hash, as the colour-button template wants it.
QString hex6(quint32 rgb)
{
    return QStringLiteral("%1").arg(rgb & 0xFFFFFFu, 6, 16, QLatin1Char('0')).toUpper();
}

const char kImageRules[] = "LXButton{image: url(:/image/%name%.png);}"
                           "LXButton:pressed{image: url(:/image/%name%_2.png);}"
                           "LXButton:hover:!pressed{image: url(:/image/%name%_1.png);}"
                           "LXButton:disabled{image: url(:/image/%name%_3.png);}";

const char kCheckedRules[] = "LXButton:checked{image: url(:/image/%name%_checked.png);}"
                             "LXButton:checked:pressed{image: url(:/image/%name%_checked_2.png);}"
                             "LXButton:checked:hover:!pressed{image: "
                             "url(:/image/%name%_checked_1.png);}"
                             "LXButton:checked:disabled{image: url(:/image/%name%_checked_3.png);}";

const char kStaticRules[] = "LXButton{image: url(:/image/%name%.png);}"
                            "LXButton:pressed{image: url(:/image/%name%.png);}"
                            "LXButton:hover:!pressed{image: url(:/image/%name%.png);}"
                            "LXButton:disabled{image: url(:/image/%name%.png);}";

const char kColorRules[] = "LXButton{image: url(:/image/%name%.png);"
                           "background-color: #%color_normal%;}"
                           "LXButton:pressed{background-color: #%color_pressed%;}"
                           "LXButton:hover:!pressed{background-color: #%color_hover%;}"
                           "LXButton:checked{background-color: #%color_checked%;}"
                           "LXButton:disabled{image: url(:/image/%name%_3.png);"
                           "background-color: #%color_disabled%;}";

const char kSliderRules[]
    = "QSlider#%name%{}"
      "QSlider#%name%::groove:horizontal{border: %border%px;height: %height%px;}"
      "QSlider#%name%::sub-page:horizontal{background: %color_cp%;}"
      "QSlider#%name%::add-page:horizontal{background: %color_cb%;}"
      "QSlider#%name%::handle:horizontal{image: url(:/image/%knob%.png);"
      "margin: -%border%px -0px -%border%px -0px;}"
      "QSlider#%name%::handle:horizontal:hover:!pressed{image: "
      "url(:/image/%knob%_1.png);margin: -%border%px -0px -%border%px -0px;}"
      "QSlider#%name%::handle:horizontal:pressed{image: "
      "url(:/image/%knob%_2.png);margin: -%border%px -0px -%border%px -0px;}"
      "QSlider#%name%::handle:horizontal:disabled{image: "
      "url(:/image/%knob%_3.png);margin: -%border%px -0px -%border%px -0px;}";

} // namespace

QString toHexColor(quint32 rgb)
{
    return QLatin1Char('#') + hex6(rgb);
}

namespace KVStyleTemplate
{

QString border(const QString &name, quint32 color)
{
    return QStringLiteral("QWidget#%name%{border: 1px solid %color%;}")
        .replace(QLatin1String("%name%"), name)
        .replace(QLatin1String("%color%"), toHexColor(color));
}

QString background(const QString &name, quint32 color)
{
    return QStringLiteral("QWidget#%name%{background-color: %color%;}")
        .replace(QLatin1String("%name%"), name)
        .replace(QLatin1String("%color%"), toHexColor(color));
}

QString panel(const QString &name, quint32 background, quint32 border)
{
    return QStringLiteral("QWidget#%name%{border: 1px solid %border%;background-color: %bg%;}")
        .replace(QLatin1String("%name%"), name)
        .replace(QLatin1String("%border%"), toHexColor(border))
        .replace(QLatin1String("%bg%"), toHexColor(background));
}

QString label(const QString &name, const QString &font, quint32 color, int sizePx, bool bold)
{
    return QStringLiteral("QLabel#%name%{font-family: %font%;color : %color%;font-size: "
                          "%size%px;font-weight: %weight%;}")
        .replace(QLatin1String("%name%"), name)
        .replace(QLatin1String("%font%"), font)
        .replace(QLatin1String("%color%"), toHexColor(color))
        .replace(QLatin1String("%size%"), QString::number(sizePx))
        .replace(QLatin1String("%weight%"), weight(bold));
}

QString badge(const QString &name, const QString &font, quint32 color, int sizePx, bool bold,
    quint32 background)
{
    return QStringLiteral("QLabel#%name%{font-family: %font%;color : %color%;font-size: "
                          "%size%px;font-weight: %weight%;background-color: %bg%;border-radius:  "
                          "3px;}")
        .replace(QLatin1String("%name%"), name)
        .replace(QLatin1String("%font%"), font)
        .replace(QLatin1String("%color%"), toHexColor(color))
        .replace(QLatin1String("%size%"), QString::number(sizePx))
        .replace(QLatin1String("%weight%"), weight(bold))
        .replace(QLatin1String("%bg%"), toHexColor(background));
}

SliderMetrics sliderMetrics(bool small)
{
    if (small)
        return {14, "slider_knob_small", 6, 2};
    return {18, "slider_knob", 7, 4};
}

QString slider(const QString &name, quint32 played, quint32 remaining, bool small)
{
    const SliderMetrics m = sliderMetrics(small);
    return QString::fromLatin1(kSliderRules)
        .replace(QLatin1String("%name%"), name)
        .replace(QLatin1String("%border%"), QString::number(m.border))
        .replace(QLatin1String("%height%"), QString::number(m.height))
        .replace(QLatin1String("%color_cp%"), toHexColor(played))
        .replace(QLatin1String("%color_cb%"), toHexColor(remaining))
        .replace(QLatin1String("%knob%"), QLatin1String(m.knob));
}

QString imageButton(const QString &name)
{
    return QString::fromLatin1(kImageRules).replace(QLatin1String("%name%"), name);
}

QString staticButton(const QString &name)
{
    return QString::fromLatin1(kStaticRules).replace(QLatin1String("%name%"), name);
}

QString toggleButton(const QString &name)
{
    return QString(QLatin1String(kImageRules) + QLatin1String(kCheckedRules))
        .replace(QLatin1String("%name%"), name);
}

QString colorButton(const QString &name, const LXButtonColors &colors)
{
    return QString::fromLatin1(kColorRules)
        .replace(QLatin1String("%name%"), name)
        .replace(QLatin1String("%color_normal%"), hex6(colors.normal))
        .replace(QLatin1String("%color_pressed%"), hex6(colors.pressed))
        .replace(QLatin1String("%color_hover%"), hex6(colors.hover))
        .replace(QLatin1String("%color_checked%"), hex6(colors.checked))
        .replace(QLatin1String("%color_disabled%"), hex6(colors.disabled));
}

} // namespace KVStyleTemplate
