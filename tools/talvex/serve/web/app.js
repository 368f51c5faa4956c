// The talvex serve page: pages of shots from the server, a shot's fields and data objects, and
// traces of several shots plotted together, thinned by the server and refined on zoom.
'use strict';

const COLORS = ['#1f77b4', '#d62728', '#2ca02c', '#ff7f0e', '#9467bd', '#8c564b', '#e377c2',
  '#17becf', '#7f7f7f', '#bcbd22'];

const state = {
  spec: '', where: '', fields: [], expr: '',
  sort: '-shot', offset: 0, limit: 50, total: 0,
  checked: new Set(), current: null,
  traces: [], // {shot, name, t, v}
  plot: null, refining: false, refineTimer: 0,
  refineRound: 0, // answers of an older round of fetches are dropped
};

const $ = (id) => document.getElementById(id);

function el(tag, attrs, ...children) {
  const e = document.createElement(tag);
  for (const [k, v] of Object.entries(attrs || {})) {
    if (k === 'class') e.className = v;
    else if (k.startsWith('on')) e.addEventListener(k.slice(2), v);
    else e.setAttribute(k, v);
  }
  for (const c of children) e.append(c instanceof Node ? c : document.createTextNode(c ?? ''));
  return e;
}

/** GET a JSON answer; a failure throws an Error carrying the server's message and position. */
async function api(path, params) {
  const url = new URL(path, location.href);
  for (const [k, v] of Object.entries(params || {})) {
    if (v !== '' && v !== undefined && v !== null) url.searchParams.set(k, v);
  }
  const res = await fetch(url, { credentials: 'same-origin' });
  let body;
  try { body = await res.json(); } catch (e) { body = { error: res.statusText }; }
  if (!res.ok) {
    const err = new Error(body.error || res.statusText);
    err.status = res.status;
    err.position = body.position;
    throw err;
  }
  return body;
}

function number(v) {
  if (v === null || v === undefined) return '';
  if (typeof v !== 'number') return String(v);
  return Math.abs(v) >= 1e5 || (v !== 0 && Math.abs(v) < 1e-3) ? v.toExponential(4)
    : String(Math.round(v * 1e6) / 1e6);
}

/** The message, and for a malformed text a caret under the offending column. */
function showError(box, err, text) {
  box.hidden = !err;
  if (!err) return;
  let msg = err.message;
  if (text && err.position !== undefined && err.position >= 0) {
    msg += '\n' + text + '\n' + ' '.repeat(err.position) + '^';
  }
  box.textContent = msg;
}

function query() {
  return {
    spec: state.spec, where: state.where, sort: state.sort,
    offset: state.offset, limit: state.limit,
  };
}

// ---- The shot table -------------------------------------------------------------------------

async function loadShots() {
  const box = $('query-error');
  let shots, values = null;
  try {
    shots = await api('api/shots', { ...query(), fields: state.fields.join(',') });
  } catch (err) {
    showError(box, err, state.where);
    return;
  }
  showError(box, null);
  if (state.expr) {
    try {
      const ev = await api('api/eval', { ...query(), expr: state.expr });
      values = new Map(ev.rows.map((r) => [r.shot + '/' + r.group, r.value]));
      if (ev.warning) showError(box, { message: ev.warning.message, position: ev.warning.position }, state.expr);
    } catch (err) {
      showError(box, err, state.expr);
    }
  }
  state.total = shots.total;
  renderShots(shots.shots, values);
}

function headerCell(label, key) {
  const th = el('th', { class: key ? 'sortable' : '' }, label);
  if (!key) return th;
  if (state.sort === key) th.classList.add('sorted-asc');
  if (state.sort === '-' + key) th.classList.add('sorted-desc');
  th.addEventListener('click', () => {
    state.sort = state.sort === key ? '-' + key : key;
    state.offset = 0;
    loadShots();
  });
  return th;
}

function renderShots(rows, values) {
  const head = $('shots').tHead;
  head.replaceChildren(el('tr', {},
    el('th', {}, ''), headerCell('Shot', 'shot'), headerCell('Group', 'group'),
    headerCell('Date', 'date'), headerCell('Comment', 'comment'),
    ...state.fields.map((f) => headerCell(f, f)),
    ...(state.expr ? [el('th', { title: state.expr }, state.expr)] : [])));
  const body = $('shots').tBodies[0];
  body.replaceChildren(...rows.map((r) => {
    const key = r.shot + '/' + r.group;
    const box = el('input', { type: 'checkbox' });
    box.checked = state.checked.has(key);
    box.addEventListener('change', () => {
      if (box.checked) state.checked.add(key); else state.checked.delete(key);
    });
    const tr = el('tr', { 'data-shot': r.shot },
      el('td', {}, box),
      el('td', {}, el('a', { class: 'shot', onclick: () => openShot(r.shot) }, r.shot)),
      el('td', { class: 'num' }, String(r.group)),
      el('td', {}, r.date),
      el('td', {}, r.comment),
      ...state.fields.map((f) => el('td', {}, r.fields[f] ?? '')),
      ...(state.expr ? [el('td', { class: 'num' }, values ? number(values.get(key)) : '')] : []));
    if (state.current === r.shot) tr.classList.add('current');
    return tr;
  }));
  const last = Math.min(state.offset + rows.length, state.total);
  $('range').textContent = state.total
    ? `${state.offset + 1}\u2013${last} of ${state.total}` : 'no shots';
  $('prev').disabled = $('first').disabled = state.offset === 0;
  $('next').disabled = $('last').disabled = last >= state.total;
}

// ---- One shot -------------------------------------------------------------------------------

async function openShot(shot) {
  state.current = shot;
  for (const tr of $('shots').tBodies[0].rows) tr.classList.toggle('current', tr.dataset.shot === shot);
  const [info, data] = await Promise.all([api(`api/shots/${encodeURIComponent(shot)}`),
    api(`api/shots/${encodeURIComponent(shot)}/data`)]);
  $('shot-panel').hidden = false;
  $('shot-title').textContent = `Shot ${info.shot} (group ${info.group})`;
  $('fields-table').tBodies[0].replaceChildren(...Object.entries(info.fields).map(([k, v]) =>
    el('tr', {}, el('th', {}, k), el('td', {}, v))));
  $('data-table').tHead.replaceChildren(el('tr', {}, ...['Name', 'Kind', 'Size', 'Start', 'Step',
    'Min', 'Max', ''].map((h) => el('th', {}, h))));
  $('data-table').tBodies[0].replaceChildren(...data.data.map((d) => {
    const size = Array.isArray(d.size) ? d.size.join(' \u00d7 ') : (d.unreadable ? 'unreadable' : d.size);
    const action = d.kind === 'waveform' && !d.unreadable
      ? el('button', { type: 'button', class: 'plot-trace', onclick: () => addTrace(info.shot, d.name) }, 'Plot')
      : '';
    return el('tr', { 'data-name': d.name }, el('td', {}, d.name), el('td', {}, d.kind),
      el('td', { class: 'num' }, String(size)), el('td', { class: 'num' }, number(d.start)),
      el('td', { class: 'num' }, number(d.step)), el('td', { class: 'num' }, number(d.min)),
      el('td', { class: 'num' }, number(d.max)), el('td', {}, action));
  }));
}

// ---- The plot -------------------------------------------------------------------------------

function plotWidth() {
  return Math.max(300, $('plot').clientWidth || 800);
}

/** The trace thinned to about one min/max pair per pixel, over [from, to] when given. */
async function fetchTrace(shot, name, from, to) {
  const params = { points: plotWidth() };
  if (from !== undefined) { params.from = from; params.to = to; }
  return api(`api/shots/${encodeURIComponent(shot)}/data/${encodeURIComponent(name)}`, params);
}

async function addTrace(shot, name) {
  if (state.traces.some((t) => t.shot === shot && t.name === name)) return;
  try {
    const d = await fetchTrace(shot, name);
    state.traces.push({ shot, name, t: d.t, v: d.v });
    showError($('plot-error'), null);
    drawPlot();
  } catch (err) {
    showError($('plot-error'), new Error(`${shot}\\${name}: ${err.message}`));
  }
}

function joined() {
  if (state.traces.length === 1) return [state.traces[0].t, state.traces[0].v];
  return uPlot.join(state.traces.map((t) => [t.t, t.v]));
}

/** Wheel zooms the time axis around the cursor; shift-drag or the middle button pans it. */
function wheelAndPan() {
  return {
    hooks: {
      ready: (u) => {
        const over = u.over;
        over.addEventListener('wheel', (e) => {
          e.preventDefault();
          const { min, max } = u.scales.x;
          const at = u.posToVal(e.offsetX, 'x');
          const f = e.deltaY < 0 ? 0.8 : 1.25;
          u.setScale('x', { min: at - (at - min) * f, max: at + (max - at) * f });
        }, { passive: false });
        u.root.addEventListener('mousedown', (e) => {
          if (!(e.button === 1 || (e.button === 0 && e.shiftKey))) return;
          if (!over.contains(e.target)) return;
          e.preventDefault();
          e.stopPropagation();
          const x0 = e.clientX;
          const { min, max } = u.scales.x;
          const perPx = (max - min) / over.clientWidth;
          const move = (m) => {
            const dx = (m.clientX - x0) * perPx;
            u.setScale('x', { min: min - dx, max: max - dx });
          };
          const up = () => {
            document.removeEventListener('mousemove', move);
            document.removeEventListener('mouseup', up);
          };
          document.addEventListener('mousemove', move);
          document.addEventListener('mouseup', up);
        }, true);
      },
    },
  };
}

function drawPlot() {
  if (state.plot) { state.plot.destroy(); state.plot = null; }
  const box = $('plot');
  box.replaceChildren();
  if (!state.traces.length) return;
  const opts = {
    width: plotWidth(),
    height: 380,
    scales: { x: { time: false } },
    series: [{ label: 'time' }, ...state.traces.map((t, i) => ({
      label: `${t.shot}\\${t.name}`,
      stroke: COLORS[i % COLORS.length],
      width: 1,
      spanGaps: true,
    }))],
    axes: [{ label: 'time' }, {}],
    plugins: [wheelAndPan()],
    // Double-click shows every sample again: the data held may cover the zoomed window only.
    cursor: { bind: { dblclick: () => () => { resetZoom(); return null; } } },
    hooks: { setScale: [(u, key) => { if (key === 'x') scheduleRefine(u); }] },
  };
  state.plot = new uPlot(opts, joined(), box);
  renderTraceButtons();
}

function renderTraceButtons() {
  // A remove button beside each trace's legend entry.
  const rows = state.plot.root.querySelectorAll('.u-legend .u-series');
  rows.forEach((row, i) => {
    if (i === 0) return;
    const t = state.traces[i - 1];
    const cell = row.querySelector('th');
    cell.append(el('button', { type: 'button', class: 'remove', title: 'remove',
      onclick: (e) => {
        e.stopPropagation();
        state.traces = state.traces.filter((x) => x !== t);
        drawPlot();
      } }, '\u00d7'));
  });
}

/** After the time axis settles, fetches each trace again for the visible window. */
function scheduleRefine(u) {
  if (state.refining) return;
  clearTimeout(state.refineTimer);
  const round = ++state.refineRound;
  state.refineTimer = setTimeout(async () => {
    const { min, max } = u.scales.x;
    if (!(max > min)) return;
    const fresh = await Promise.all(state.traces.map((t) =>
      fetchTrace(t.shot, t.name, min, max).catch(() => null)));
    if (state.plot !== u || round !== state.refineRound) return;
    fresh.forEach((d, i) => { if (d) { state.traces[i].t = d.t; state.traces[i].v = d.v; } });
    state.refining = true;
    try {
      u.setData(joined(), false);
      u.setScale('x', { min, max });
    } finally {
      state.refining = false;
    }
  }, 200);
}

async function resetZoom() {
  const round = ++state.refineRound;
  const fresh = await Promise.all(state.traces.map((t) => fetchTrace(t.shot, t.name).catch(() => null)));
  if (round !== state.refineRound) return;
  fresh.forEach((d, i) => { if (d) { state.traces[i].t = d.t; state.traces[i].v = d.v; } });
  drawPlot();
}

async function overlayChecked() {
  const name = $('trace-name').value.trim();
  if (!name) { showError($('plot-error'), new Error('give the name of a trace to plot')); return; }
  const shots = [...state.checked].map((k) => k.slice(0, k.lastIndexOf('/')));
  if (state.current && !shots.includes(state.current)) shots.push(state.current);
  if (!shots.length) { showError($('plot-error'), new Error('check the shots to plot in the table')); return; }
  for (const shot of shots) await addTrace(shot, name);
}

// ---- Start ----------------------------------------------------------------------------------

async function start() {
  $('query').addEventListener('submit', (e) => {
    e.preventDefault();
    state.spec = $('spec').value.trim();
    state.where = $('where').value.trim();
    state.fields = $('fields').value.split(',').map((s) => s.trim()).filter(Boolean);
    state.expr = $('expr').value.trim();
    state.offset = 0;
    loadShots();
  });
  $('first').addEventListener('click', () => { state.offset = 0; loadShots(); });
  $('prev').addEventListener('click', () => { state.offset = Math.max(0, state.offset - state.limit); loadShots(); });
  $('next').addEventListener('click', () => { state.offset += state.limit; loadShots(); });
  $('last').addEventListener('click', () => {
    state.offset = Math.max(0, Math.floor((state.total - 1) / state.limit) * state.limit);
    loadShots();
  });
  $('page-size').addEventListener('change', (e) => { state.limit = Number(e.target.value); state.offset = 0; loadShots(); });
  $('overlay').addEventListener('click', overlayChecked);
  $('reset-zoom').addEventListener('click', resetZoom);
  $('clear-plot').addEventListener('click', () => { state.traces = []; drawPlot(); });
  window.addEventListener('resize', () => { if (state.plot) state.plot.setSize({ width: plotWidth(), height: 380 }); });
  try {
    const exp = await api('api/experiment');
    document.title = `talvex \u2013 ${exp.name}`;
    $('title').textContent = exp.name;
    $('summary').textContent = `${exp.shots} shots \u00b7 ${exp.folder}`;
  } catch (err) {
    $('summary').textContent = err.message;
  }
  loadShots();
}

start();
