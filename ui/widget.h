#pragma once

#include "tools.h"

#include <QPoint>
#include <QWidget>

namespace Ui { class Widget; }

// The frameless login window. It builds the main window first (so the port
// list, the catalogue and "Config.ini" are ready before anything is shown)
// and shows it only after the operator gives the accepted credentials.
class Widget : public QWidget
{
    Q_OBJECT

public:
    explicit Widget(QWidget *parent = nullptr, ToolsOptions options = {});
    ~Widget() override;

    tools &mainWindowForTest() { return mainWindow; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private slots:
    void on_pBuserlogin_clicked();
    void on_pBuserCancel_clicked();

private:
    QPoint lastCursorPos;
    tools mainWindow;
    Ui::Widget *ui;
};
