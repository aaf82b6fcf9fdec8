"""Seeding and rendering one large source on a dask.distributed cluster.

Every task is a range of tiles: a seed task runs `kxhost seed --part I/N`,
which is resumable, so a task that Dask runs again after its worker died
finishes the same share; a render task reads its windows through the GDAL
driver (`kx://...`). All workers write into one shared cache directory.
Dask schedules, retries and shows its dashboard; nothing here schedules.
"""
from kx_dask.render import render
from kx_dask.seed import seed

__all__ = ["render", "seed"]
