// xinglan-crash-box: shows a crash report in a message box. The fault hook starts it because
// a faulting process cannot safely draw windows of its own.
#include <QApplication>
#include <QMessageBox>
#include <QString>

int main(int argc, char** argv) {
    // Read before QApplication, which takes its own options out of the argument list.
    QString report = argc > 1 ? QString::fromUtf8(argv[1]) : QString();
    report.remove(QLatin1Char('\r'));

    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8("信息："), report, QMessageBox::Ok);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return 0;
}
