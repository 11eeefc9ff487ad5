#include "ui/JpegLoader.h"
#include "ui/TForm1.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName("TALMIRE");
    TForm1 form;
    QApplication::setWindowIcon(ApplicationIcon());
    form.show();
    return QApplication::exec();
}
