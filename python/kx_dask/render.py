"""Rendering a chain in windows on the workers, gathered as one GeoTIFF."""
from distributed import as_completed
from osgeo import gdal


def _windows(width, height, tile):
    return [(x, y, min(tile, width - x), min(tile, height - y))
            for y in range(0, height, tile) for x in range(0, width, tile)]


def read_windows(connection, windows):
    """The windows' pixels, read through the GDAL driver on a worker: each
    as a bands x rows x columns array."""
    dataset = gdal.OpenEx(connection, gdal.OF_RASTER | gdal.OF_VERBOSE_ERROR)
    if dataset is None:
        raise RuntimeError(f"cannot open {connection}: {gdal.GetLastErrorMsg()}")
    return [(window, dataset.ReadAsArray(*window)) for window in windows]


def render(client, connection, output, tile=512, tasks=None, retries=2):
    """Renders CONNECTION (a kx:// name or a chain file) into the GeoTIFF
    OUTPUT: its tiles are split into TASKS ranges (default: four per worker
    thread) read on the workers and written here as they arrive. The output
    keeps the dataset's geotransform and projection."""
    dataset = gdal.Open(connection)
    if dataset is None:
        raise RuntimeError(f"cannot open {connection}: {gdal.GetLastErrorMsg()}")
    width, height, bands = dataset.RasterXSize, dataset.RasterYSize, dataset.RasterCount
    windows = _windows(width, height, tile)
    tasks = tasks or max(1, 4 * sum(client.nthreads().values()))
    ranges = [windows[i::tasks] for i in range(tasks) if windows[i::tasks]]
    target = gdal.GetDriverByName("GTiff").Create(str(output), width, height, bands,
                                                  dataset.GetRasterBand(1).DataType, ["TILED=YES"])
    target.SetGeoTransform(dataset.GetGeoTransform())
    target.SetProjection(dataset.GetProjection())
    futures = [client.submit(read_windows, connection, part, retries=retries, pure=False) for part in ranges]
    for future in as_completed(futures):
        for (x, y, _, _), pixels in future.result():
            planes = pixels.reshape(bands, *pixels.shape[-2:])
            for band in range(bands):
                target.GetRasterBand(band + 1).WriteArray(planes[band], x, y)
    target.FlushCache()
    target = None
    return output
