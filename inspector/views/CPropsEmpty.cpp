#include "inspector/views/CPropsEmpty.h"

CPropsEmpty::CPropsEmpty(QWidget* parent) : MCInspectorPage(parent)
{
    setObjectName("PropsEmpty");
}
