"""What GDAL sees of a chain, the ways to name one, and the refusals."""
import shutil

import pytest
from osgeo import gdal

from conftest import as_array, kx, open_in_child, same_pixels

RGB = [gdal.GCI_RedBand, gdal.GCI_GreenBand, gdal.GCI_BlueBand]


@pytest.mark.parametrize("src, options, size, dtype, colours, block", [
    ("rgb", {}, (1100, 900), gdal.GDT_Byte, RGB, (512, 512)),
    ("rgb", {"bands": "3,2,1", "rotate": 90}, (900, 1100), gdal.GDT_Byte, RGB, (512, 512)),
    ("rgb", {"bands": 2, "rotate": 180}, (1100, 900), gdal.GDT_Byte, [gdal.GCI_GrayIndex], (512, 512)),
    ("rgb", {"cache": "{tmp}/c-block", "cache_tile": "256x128"}, (1100, 900), gdal.GDT_Byte, RGB, (256, 128)),
    ("gray16", {"rotate": 270}, (900, 1100), gdal.GDT_UInt16, [gdal.GCI_GrayIndex], (512, 512)),
    ("int16", {}, (1100, 900), gdal.GDT_Int16, [gdal.GCI_GrayIndex], (512, 512)),
    ("float32", {}, (1100, 900), gdal.GDT_Float32, [gdal.GCI_GrayIndex], (512, 512)),
], ids=["rgb", "swapped-bands-turned", "one-band", "cache-tile-blocks", "u16-turned", "int16", "float32"])
def test_shape_type_or_colours_not_those_of_the_chain_top(samples, tmp, src, options, size, dtype, colours, block):
    options = {k: str(v).format(tmp=tmp) for k, v in options.items()}
    ds = gdal.Open(kx(samples[src], **options))
    assert ds is not None, gdal.GetLastErrorMsg()
    assert (ds.RasterXSize, ds.RasterYSize, ds.RasterCount) == (*size, len(colours))
    bands = [ds.GetRasterBand(i + 1) for i in range(ds.RasterCount)]
    assert [b.DataType for b in bands] == [dtype] * len(colours)
    assert [b.GetColorInterpretation() for b in bands] == colours
    assert bands[0].GetBlockSize() == list(block)


@pytest.mark.parametrize("turn", [90, 180, 270])
def test_turn_misplaces_pixels_or_loses_the_geo_reference(samples, tmp, turn):
    source, turned = gdal.Open(str(samples["rgb"])), gdal.Open(kx(samples["rgb"], rotate=turn))
    assert turned.GetSpatialRef().IsSame(source.GetSpatialRef()) and turned.GetMetadataItem("KX_SAMPLE") == "rgb"
    x0, dx, _, y0, _, dy = source.GetGeoTransform()
    bounds = (x0, y0 + dy * source.RasterYSize, x0 + dx * source.RasterXSize, y0)
    out = gdal.Warp(str(tmp / f"warp-{turn}.tif"), turned, resampleAlg="near", xRes=dx, yRes=-dy, outputBounds=bounds)
    assert same_pixels(as_array(out), as_array(source))


def test_path_holding_a_question_mark_split_at_the_first(samples, tmp):
    odd = tmp / "odd?name.tif"
    shutil.copy(samples["rgb"], odd)
    plain, turned = gdal.Open(f"kx://{odd}?"), gdal.Open(f"kx://{odd}?rotate=90")
    assert plain is not None and turned is not None, gdal.GetLastErrorMsg()
    assert (plain.RasterXSize, turned.RasterXSize) == (1100, 900)


def test_chain_file_paths_resolved_from_the_working_directory(samples, tmp, monkeypatch):
    chain = tmp / "chains" / "view.kxchain"
    chain.parent.mkdir()
    chain.write_text("<KXChain><Source>../rgb.tif</Source><bands>3,2,1</bands><rotate>90</rotate>"
                     "<watermark>../logo.tif</watermark><cache>tiles</cache></KXChain>\n")
    (tmp / "elsewhere" / "deeper").mkdir(parents=True)
    monkeypatch.chdir(tmp / "elsewhere" / "deeper")
    expected = as_array(gdal.Open(kx(samples["rgb"], bands="3,2,1", rotate=90, watermark=samples["logo"])))
    assert same_pixels(as_array(gdal.Open(str(chain))), expected)
    assert any((chain.parent / "tiles").iterdir())


def test_driver_creates_datasets(tmp):
    gdal.PushErrorHandler("CPLQuietErrorHandler")
    created = gdal.GetDriverByName("KX").Create(str(tmp / "new.kxchain"), 8, 8, 1)
    gdal.PopErrorHandler()
    assert created is None


@pytest.mark.parametrize("name, named", [
    ("kx://{rgb}?bogus=1", "bogus"), ("kx://{rgb}?rotate=45", ""), ("kx://{rgb}?bands=0", ""),
    ("kx://{rgb}?bands=9", ""), ("kx://{rgb}?cache={tmp}/c-zero&cache_tile=0x0", ""),
    ("kx://{tmp}/no-such-image.tif?", ""), ("kx://{rgb}?watermark=/nonexistent.tif", ""),
    ("kx://{rgb}?cache={tmp}/plain-file/tiles", ""), ("{tmp}/sourceless.kxchain", ""),
], ids=["unknown-option", "rotate-45", "bands-0", "band-past-the-source", "cache-tile-0x0", "missing-source",
        "unreadable-logo", "cache-under-a-file", "chain-file-without-source"])
def test_bad_input_opens_crashes_or_raises_several_errors(samples, tmp, name, named):
    (tmp / "plain-file").touch()
    (tmp / "sourceless.kxchain").write_text("<KXChain><rotate>90</rotate></KXChain>\n")
    result = open_in_child(name.format(rgb=samples["rgb"], tmp=tmp))
    assert not result["opened"]
    assert len(result["errors"]) == 1 and named in result["errors"][0], result["errors"]
