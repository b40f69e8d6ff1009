// The picture box of the image viewer: formats, bytes that are no picture, scaling
// with the window.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>

#include "AppTestUtil.h"
#include "support/TestServer.h"

namespace brevant {
namespace {

QByteArray Png(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

TEST(PictureBox, ShowsJpegAndPngAndNothingForOtherBytes) {
    const std::string jpeg = test::ReadBytes(test::TestDataPath("documents/hopper.jpg"));
    ASSERT_FALSE(jpeg.empty());
    ASSERT_NE(jpeg.find('\0'), std::string::npos);  // a picture's bytes hold NULs: nothing may stop there
    struct Case {
        const char* name;
        QByteArray bytes;
        QSize size;  // empty: no picture
    };
    const Case cases[] = {
        {"JPEG", QByteArray(jpeg.data(), static_cast<qsizetype>(jpeg.size())), QSize(128, 128)},
        {"PNG", Png({40, 20}), QSize(40, 20)},
        {"text", QByteArray("not a picture"), QSize()},
        {"a cut JPEG", QByteArray(jpeg.data(), 200), QSize()},
        {"nothing", QByteArray(), QSize()},
    };
    TPictureBox box(nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        box.SetPictureData(Png({5, 5}));  // the previous picture must go
        EXPECT_EQ(box.SetPictureData(c.bytes), !c.size.isEmpty());
        EXPECT_EQ(box.Picture().size(), c.size.isEmpty() ? QSize(0, 0) : c.size);
    }
}

TEST(PictureBox, ScalesWithTheViewerKeepingProportions) {
    test::WorkingDir dir;
    auto main = test::CreateMain();
    TfrmImagen* viewer = main->frmImagen();
    TPictureBox* box = viewer->DBImage1;
    box->SetPictureData(Png({40, 20}));
    viewer->show();
    EXPECT_EQ(box->TargetRect().size(), QSize(251, 125));  // 253 x 241 less the border, 2:1
    viewer->resize(269 + 200, 257 + 300);
    EXPECT_EQ(box->size(), QSize(453, 541));
    EXPECT_EQ(box->TargetRect().size(), QSize(451, 225));
    EXPECT_EQ(box->TargetRect().center(), box->rect().adjusted(1, 1, -1, -1).center());
}

}  // namespace
}  // namespace brevant
