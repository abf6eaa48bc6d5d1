// Windows metafiles (".wmf"): their records, checked when read and played by our own player.
#pragma once

#include "platform/Graphics.h"

#include <memory>

struct TMetafileData;

// A Windows metafile (".wmf"), kept as its records and drawn by our own player.
class TMetafile : public platform::TGraphic {
public:
    TMetafile();
    ~TMetafile() override;

    // Size in pixels at 96 pixels per inch for a file with a placeable header, else the
    // window extent the file sets.
    int Width() const override;
    int Height() const override;
    bool Empty() const override;
    void Draw(QPainter& painter, const QRect& dest) const override;
    std::string ClassName() const override { return "TMetafile"; }
    // Checks the headers and that every record lies within the file; fails with
    // EInvalidGraphicOperation otherwise.
    void LoadFromStream(const std::string& bytes) override;
    // Equal when both share the same loaded records.
    bool Equals(const platform::TGraphic& other) const override;
    std::unique_ptr<platform::TGraphic> Clone() const override;

private:
    std::shared_ptr<const TMetafileData> m_data;
};
