// Opens the Designer-made terminal form, points its ProdCode at the plant given on the command line
// and refreshes it; prints the product code it shows and its Error. Exits 0 when a code was shown
// with the form's own settings.
#include "ui_TerminalForm.h"

#include <OrvelK7Controls.h>

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: k7_consumer APIHOST PROCESS\n", stderr);
        return 2;
    }
    QWidget window;
    Ui::TerminalForm form;
    form.setupUi(&window);

    k7::ProdCode* prodCode = form.prodCode;
    prodCode->setAPIHost(QString::fromLocal8Bit(argv[1]));
    prodCode->setProcess(QString::fromLocal8Bit(argv[2]));
    window.show();
    prodCode->Refresh(false);

    const QString code = prodCode->lblCode().Caption();
    std::printf("lblCode=%s\nError=%s\nCompany=%s FontSize=%g\n", qPrintable(code), qPrintable(prodCode->Error()),
                qPrintable(prodCode->Company()), prodCode->FontSize());
    const bool formApplied = prodCode->Company() == QLatin1String("ORV") && prodCode->FontSize() == 9.0f;
    return !code.isEmpty() && prodCode->Error().isEmpty() && formApplied ? 0 : 1;
}
