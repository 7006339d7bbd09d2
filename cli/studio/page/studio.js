// sorvane studio's page: controls made from /api/schema, grouped as the
// Attribute Editor groups them, and both hosts' swatches re-rendered as they
// move: a coarse frame first, then the full one. No build step, no library.
'use strict';

const HOSTS = ['maya', 'mentalray'];
const COARSE = { size: 80, samples: 1 };
const FULL = { size: 320, samples: 4 };

const state = {
  schema: null,
  controls: new Map(),   // name -> { entry, get(), set(value) }
  inFlight: new Map(),   // host -> AbortController
  frames: new Map(),     // host -> ImageData of the last full frame
  snapshot: null,        // host -> ImageData, the A of A/B
  renders: 0,            // full frames shown, for tests
  lastExport: null,
};
window.studio = state;

const $ = (selector) => document.querySelector(selector);

function status(text) { $('#status').textContent = text || ''; }

async function errorText(response) {
  try { return (await response.json()).error || response.statusText; } catch (e) { return response.statusText; }
}

function toHex(values) {
  return '#' + values.slice(0, 3).map((v) =>
    Math.round(Math.min(1, Math.max(0, v)) * 255).toString(16).padStart(2, '0')).join('');
}

function fromHex(hex) {
  return [1, 3, 5].map((i) => Math.round(parseInt(hex.slice(i, i + 2), 16) / 255 * 1000) / 1000);
}

function makeRow(entry, hostNote) {
  const row = document.createElement('div');
  row.className = 'row';
  const label = document.createElement('label');
  label.textContent = entry.name;
  label.title = entry.description || '';
  row.appendChild(label);
  let control;
  if (entry.type === 'scalar') {
    const number = document.createElement('input');
    number.type = 'number';
    number.step = 'any';
    number.id = 'value-' + entry.name;
    const slider = document.createElement('input');
    slider.type = 'range';
    slider.id = 'slider-' + entry.name;
    slider.min = entry.softMin ?? entry.min ?? 0;
    slider.max = entry.softMax ?? entry.max ?? 1;
    slider.step = 0.001;
    label.htmlFor = number.id;
    // The slider spans the soft range; the box takes any value, beyond it too.
    slider.addEventListener('input', () => { number.value = slider.value; changed(); });
    number.addEventListener('change', () => {
      let v = parseFloat(number.value);
      if (!Number.isFinite(v)) v = entry.default;
      if (entry.min != null) v = Math.max(entry.min, v);
      if (entry.max != null) v = Math.min(entry.max, v);
      number.value = v;
      slider.value = v;
      changed();
    });
    row.append(number, slider);
    control = {
      get: () => parseFloat(number.value),
      set: (v) => { const x = Array.isArray(v) ? v[0] : v; number.value = x; slider.value = x; },
    };
  } else if (entry.type === 'color') {
    const picker = document.createElement('input');
    picker.type = 'color';
    picker.id = 'value-' + entry.name;
    label.htmlFor = picker.id;
    let values = [0, 0, 0];
    picker.addEventListener('input', () => { values = fromHex(picker.value); changed(); });
    row.append(picker, document.createElement('span'));
    control = {
      get: () => values.slice(0, 3),
      set: (v) => { values = Array.isArray(v) ? v.slice(0, 3) : [v, v, v]; picker.value = toHex(values); },
    };
  } else if (entry.type === 'boolean') {
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.id = 'value-' + entry.name;
    label.htmlFor = box.id;
    box.addEventListener('change', changed);
    row.append(box, document.createElement('span'));
    control = { get: () => box.checked, set: (v) => { box.checked = !!v; } };
  } else {
    return null;
  }
  if (hostNote) {
    const note = document.createElement('small');
    note.className = 'host-only';
    note.textContent = hostNote;
    label.append(document.createElement('br'), note);
  }
  control.entry = entry;
  control.set(entry.default);
  state.controls.set(entry.name, control);
  return row;
}

function buildControls(schema) {
  const sections = new Map();
  const add = (entry, note) => {
    if (!entry.editable || !entry.section || state.controls.has(entry.name)) return;
    const row = makeRow(entry, note);
    if (!row) return;
    if (!sections.has(entry.section)) {
      const details = document.createElement('details');
      details.open = true;
      const summary = document.createElement('summary');
      summary.textContent = entry.section;
      details.appendChild(summary);
      sections.set(entry.section, details);
    }
    sections.get(entry.section).appendChild(row);
  };
  for (const entry of schema.maya) add(entry, entry.counterpart ? '' : 'Maya only');
  for (const entry of schema.mentalray) add(entry, entry.counterpart ? '' : 'mental ray only');
  const root = $('#controls');
  for (const details of sections.values()) root.appendChild(details);
}

function material() {
  const attributes = {};
  for (const [name, control] of state.controls) attributes[name] = control.get();
  return { attributes };
}

function applyValues(values) {
  for (const [name, value] of Object.entries(values || {})) {
    const control = state.controls.get(name);
    if (control) control.set(value);
  }
}

function applyPreset(name) {
  const preset = state.schema.presets.find((p) => p.name === name);
  if (!preset) return;
  for (const control of state.controls.values()) control.set(control.entry.default);
  applyValues(preset.attributes);
  applyValues(preset.maya);
  applyValues(preset.mentalray);
  changed();
}

function draw(host) {
  const canvas = $('#swatch-' + host);
  const context = canvas.getContext('2d');
  const mode = document.querySelector('input[name=view]:checked').value;
  const live = state.frames.get(host);
  const a = state.snapshot && state.snapshot.get(host);
  if (mode === 'a' && a) {
    context.putImageData(a, 0, 0);
  } else if (mode === 'difference' && a && live) {
    // Four times the difference, so small changes show.
    const out = context.createImageData(live.width, live.height);
    for (let i = 0; i < live.data.length; i += 4) {
      for (let c = 0; c < 3; ++c) out.data[i + c] = Math.min(255, 4 * Math.abs(live.data[i + c] - a.data[i + c]));
      out.data[i + 3] = 255;
    }
    context.putImageData(out, 0, 0);
  } else if (live) {
    context.putImageData(live, 0, 0);
  }
}

async function renderFrame(host, settings, signal) {
  // A pass the host lacks (Maya has no irradiance) shows its beauty.
  const wanted = $('#pass').value;
  const pass = state.schema.passes[host].includes(wanted) ? wanted : 'beauty';
  const body = {
    host, material: material(), size: settings.size, samples: settings.samples,
    exposure: parseFloat($('#exposure').value), pass, view: host, environment: $('#environment').value,
    mesh: $('#mesh').value,
  };
  const response = await fetch('/api/render', {
    method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body), signal,
  });
  if (!response.ok) {
    if (response.status === 409) return null;  // a newer frame took its place
    throw new Error(host + ': ' + await errorText(response));
  }
  const bitmap = await createImageBitmap(await response.blob());
  const canvas = $('#swatch-' + host);
  const context = canvas.getContext('2d');
  context.imageSmoothingEnabled = true;
  context.drawImage(bitmap, 0, 0, canvas.width, canvas.height);
  const stats = response.headers.get('X-Render-Seconds') + ' s, ' +
    response.headers.get('X-Shading-Samples') + ' shading samples';
  return { frame: context.getImageData(0, 0, canvas.width, canvas.height), stats };
}

async function renderHost(host) {
  const previous = state.inFlight.get(host);
  if (previous) previous.abort();
  const controller = new AbortController();
  state.inFlight.set(host, controller);
  try {
    const coarse = await renderFrame(host, COARSE, controller.signal);
    if (!coarse) return;
    $('#stats-' + host).textContent = 'coarse';
    const full = await renderFrame(host, FULL, controller.signal);
    if (!full) return;
    state.frames.set(host, full.frame);
    $('#stats-' + host).textContent = full.stats;
    draw(host);
    state.renders += 1;
  } catch (error) {
    if (error.name !== 'AbortError') status(error.message);
  } finally {
    if (state.inFlight.get(host) === controller) state.inFlight.delete(host);
  }
}

function changed() {
  status('');
  for (const host of HOSTS) renderHost(host);
}

// Resolves when both hosts have shown a full frame of the current values.
state.settled = () => new Promise((resolve) => {
  const check = () => (state.inFlight.size === 0 ? resolve(state.renders) : setTimeout(check, 20));
  check();
});

async function save(format) {
  const response = await fetch('/api/export', {
    method: 'POST', headers: { 'Content-Type': 'application/json' },
    body: JSON.stringify({ material: material(), name: $('#name').value }),
  });
  if (!response.ok) { status('save: ' + await errorText(response)); return; }
  const exported = await response.json();
  state.lastExport = exported;
  const ending = { preset: '.json', mel: '.mel', mi: '.mi' }[format];
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([exported[format]], { type: 'text/plain' }));
  link.download = exported.name + ending;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  status('saved ' + link.download);
}

async function load(file) {
  const text = await file.text();
  const response = await fetch('/api/material?name=' + encodeURIComponent(file.name), {
    method: 'POST', headers: { 'Content-Type': 'text/plain' }, body: text,
  });
  if (!response.ok) { status('load ' + file.name + ': ' + await errorText(response)); return; }
  const found = await response.json();
  const first = (found.materials || [])[0];
  if (!first) { status(file.name + ': no sorvane material in it'); return; }
  for (const control of state.controls.values()) control.set(control.entry.default);
  applyValues(first.attributes);
  applyValues(first.maya);
  applyValues(first.mentalray);
  status('loaded ' + (first.name || 'a material') + ' from ' + file.name);
  changed();
}

async function start() {
  const response = await fetch('/api/schema');
  state.schema = await response.json();
  buildControls(state.schema);
  const presets = $('#preset');
  for (const p of state.schema.presets) presets.add(new Option(p.name, p.name));
  presets.title = '';
  presets.addEventListener('change', () => applyPreset(presets.value));
  const passSelect = $('#pass');
  const passes = [...new Set(HOSTS.flatMap((h) => state.schema.passes[h]))];
  for (const p of passes) passSelect.add(new Option(p, p));
  passSelect.addEventListener('change', changed);
  const environments = $('#environment');
  for (const e of state.schema.environments) environments.add(new Option(e, e));
  environments.disabled = state.schema.environments.length < 2;
  environments.addEventListener('change', changed);
  const meshes = $('#mesh');
  for (const m of state.schema.meshes) meshes.add(new Option(m, m));
  meshes.addEventListener('change', changed);
  $('#exposure').addEventListener('input', () => {
    $('#exposure-value').textContent = $('#exposure').value;
    changed();
  });
  $('#snapshot').addEventListener('click', () => {
    state.snapshot = new Map(state.frames);
    status('A is the swatches as they are now');
  });
  for (const radio of document.querySelectorAll('input[name=view]')) {
    radio.addEventListener('change', () => HOSTS.forEach(draw));
  }
  for (const button of document.querySelectorAll('[data-save]')) {
    button.addEventListener('click', () => save(button.dataset.save));
  }
  $('#load').addEventListener('change', (event) => { if (event.target.files[0]) load(event.target.files[0]); });
  changed();
}

start().catch((error) => status('the studio could not start: ' + error.message));
