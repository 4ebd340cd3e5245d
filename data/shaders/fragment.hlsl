// The fragment shader of the material: the interpolated vertex colour, scaled channel by channel by
// the material's colour modifier. The modifier has no default of its own, so a material without
// one draws black.

float3 g_colorModifier;

float4 main(in const float4 i_color : COLOR0) : COLOR0
{
    return float4(i_color.rgb * g_colorModifier, i_color.a);
}
