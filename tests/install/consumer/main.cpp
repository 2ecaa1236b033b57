// Places a ProdCode on a window, points it at the plant given on the command line and refreshes
// it; prints the product code it shows and its Error. Exits 0 when a code was shown.
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
    auto* prodCode = new k7::ProdCode(&window);
    prodCode->SetAPIHost(QString::fromLocal8Bit(argv[1]));
    prodCode->SetProcess(QString::fromLocal8Bit(argv[2]));
    window.show();
    prodCode->Refresh(false);

    const QString code = prodCode->lblCode().Caption();
    std::printf("lblCode=%s\nError=%s\n", qPrintable(code), qPrintable(prodCode->Error()));
    return !code.isEmpty() && prodCode->Error().isEmpty() ? 0 : 1;
}
